#include "platform/AtomicFile.h"
#include "SmallFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using platform::ReplaceFileContent;

namespace {

QByteArray Read(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void Write(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

TEST(ReplaceFileContent, TheFileHoldsExactlyTheNewBytes)
{
    struct Case {
        const char* what;
        std::optional<QByteArray> before;
        QByteArray after;
    };
    const Case cases[] = {
        {"missing file is created", std::nullopt, "new"},
        {"longer content", QByteArray("short"), QByteArray(100000, 'x')},
        {"shorter content leaves no tail", QByteArray(100000, 'x'), "short"},
        {"empty content", QByteArray("old"), QByteArray()},
        {"bytes with NUL", QByteArray("old"), QByteArray("a\0b\r\n", 5)},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString file = dir.filePath("list.xml");
        if (c.before)
            Write(file, *c.before);
        EXPECT_TRUE(ReplaceFileContent(file, c.after)) << c.what;
        EXPECT_EQ(Read(file), c.after) << c.what;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.xml"}) << c.what;
    }
}

TEST(ReplaceFileContent, AFileInAMissingFolderIsNotCreated)
{
    QTemporaryDir dir;
    EXPECT_FALSE(ReplaceFileContent(dir.filePath("missing/list.xml"), "new"));
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(ReplaceFileContent, AnUnwritableFileStaysAsItWas)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("list.xml");
    Write(file, "old");
    const std::string path = QFile::encodeName(file).toStdString();
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    bool replaced = true;
    if (::geteuid() == 0) {
        // Root writes read-only files: make it immutable instead.
        ASSERT_EQ(std::system(("chattr +i '" + path + "'").c_str()), 0);
        replaced = ReplaceFileContent(file, "new");
        std::system(("chattr -i '" + path + "'").c_str());
    } else {
        replaced = ReplaceFileContent(file, "new");
    }
    EXPECT_FALSE(replaced);
    EXPECT_EQ(Read(file), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.xml"});
}

TEST(ReplaceFileContent, AFullDiskLeavesTheOldFileByteForByte)
{
    SmallFileSystem disk;
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a tmpfs needs root";
    const QString file = disk.Path("list.xml");
    const QByteArray old(6000, 'o');
    Write(file, old);
    // Room for part of the new content only: the first writes succeed.
    disk.Fill(8192);
    EXPECT_FALSE(ReplaceFileContent(file, QByteArray(64 * 1024, 'n')));
    EXPECT_EQ(Read(file), old);
    EXPECT_EQ(disk.Files(), QStringList({".filler", "list.xml"})) << "no temporary file stays behind";
}

} // namespace
