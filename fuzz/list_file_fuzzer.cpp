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
#include <cstdio>
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

const QString kName = QStringLiteral("新游戏 <&> \"'");
const QString kAddress = QStringLiteral("http://127.0.0.1:8000/games/new.html?a=1&b=2");

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "list_file_fuzzer: failed: %s\n", what);
        std::abort();
    }
}
#define CHECK(condition) Check(condition, #condition)

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
        CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        CHECK(out.write(input) == input.size());
    }

    std::vector<std::optional<Entry>> before;
    try {
        TGameList list(file);
        before = Entries(list);
        list.Append(kName, kAddress);
        CHECK(list.Save());
    } catch (const EGameListLoad&) {
        return 0;
    }

    const QByteArray saved = Read(file);
    if (WellFormed(input))
        CHECK(WellFormed(saved));
    TGameList again(file);
    std::vector<std::optional<Entry>> after = Entries(again);
    CHECK(after.size() == before.size() + 1);
    const Entry added{kName, kAddress};
    CHECK(after.back() == added);
    after.pop_back();
    CHECK(after == before);
    return 0;
}
