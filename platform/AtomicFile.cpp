#include "AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace platform {

bool ReplaceFileContent(const QString& file, QByteArrayView bytes)
{
    // The temporary file would take the place of a read-only file too.
    const QFileInfo info(file);
    if (info.exists() && !info.isWritable())
        return false;
    // Unbuffered: every write reaches the file at once and its failure is
    // seen here, not after the new file has replaced the old one.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (out.write(bytes.data(), bytes.size()) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace platform
