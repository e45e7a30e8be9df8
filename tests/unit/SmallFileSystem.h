#pragma once
// A small file system of its own (tmpfs), mounted for a test; mounting needs
// root, so a test skips when Mounted() is false.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/mount.h>

class SmallFileSystem {
public:
    SmallFileSystem() { mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, "size=256k") == 0; }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    // Fills it up, then frees `room` bytes (whole pages).
    void Fill(qint64 room) const
    {
        QFile filler(Path(".filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray page(4096, 'f');
        while (filler.write(page) == page.size()) {
        }
        ASSERT_TRUE(filler.resize(filler.size() / page.size() * page.size() - room));
    }
    QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};
