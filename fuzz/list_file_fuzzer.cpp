// Any bytes as a list file: a list that loads takes an entry, is saved, and
// loads again with its old entries as they were and the new one last; what
// a strict XML reader accepted before it accepts after.
#include "library/TGameList.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

bool WellFormed(const QByteArray& bytes)
{
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

QByteArray Read(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

struct Entry {
    std::optional<QString> name, address;
    bool operator==(const Entry&) const = default;
};

// Every entry whose two fields can be read, by position; nullopt for the
// others.
std::vector<std::optional<Entry>> Entries(const TGameList& list)
{
    std::vector<std::optional<Entry>> entries;
    for (int i = 0; i < list.Count(); ++i) {
        try {
            entries.push_back(Entry{list.Value(i, TGameList::Name), list.Value(i, TGameList::Address)});
        } catch (const EGameListField&) {
            entries.push_back(std::nullopt);
        }
    }
    return entries;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "list_file_fuzzer";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("gamefavorites.xml"));
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile out(file);
        Check(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(out.write(input) == input.size());
    }

    std::vector<std::optional<Entry>> before;
    try {
        TGameList list(file);
        before = Entries(list);
        list.Append(QStringLiteral("新游戏 <&> \"'"), QStringLiteral("http://127.0.0.1:8000/games/new.html?a=1&b=2"));
        Check(list.Save());
    } catch (const EGameListLoad&) {
        return 0;
    }

    const QByteArray saved = Read(file);
    if (WellFormed(input))
        Check(WellFormed(saved));
    TGameList again(file);
    std::vector<std::optional<Entry>> after = Entries(again);
    Check(after.size() == before.size() + 1);
    Check(after.back() == Entry{QStringLiteral("新游戏 <&> \"'"),
                                QStringLiteral("http://127.0.0.1:8000/games/new.html?a=1&b=2")});
    after.pop_back();
    Check(after == before);
    return 0;
}
