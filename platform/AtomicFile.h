#pragma once
// Replaces a file's whole content in one step: the new bytes go to a
// temporary file beside it, which takes the file's place only when every
// write succeeded. On any failure the old file stays byte for byte and no
// temporary file is left.
#include <QByteArrayView>
#include <QString>

namespace platform {

// Writes `bytes` as the new content of `file`, creating it when missing.
// A file that exists but may not be written stays as it is; false then, and
// on any failed write.
bool ReplaceFileContent(const QString& file, QByteArrayView bytes);

} // namespace platform
