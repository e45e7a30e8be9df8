#include "FolderUse.h"

#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

TFolderUse::TFolderUse(const QString& folder, QObject* parent) : QObject(parent)
{
    descriptor_ = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor_ < 0)
        return;
    exclusive_ = ::flock(descriptor_, LOCK_EX | LOCK_NB) == 0;
    if (!exclusive_)
        ::flock(descriptor_, LOCK_SH);
}

TFolderUse::~TFolderUse()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

void TFolderUse::Share()
{
    if (!exclusive_)
        return;
    exclusive_ = false;
    ::flock(descriptor_, LOCK_SH);
}

} // namespace platform
