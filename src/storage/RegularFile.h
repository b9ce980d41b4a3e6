#pragma once

class QFile;
class QString;

// Opens the program's text files only when they are regular files. The
// check is made on the opened descriptor, and the open does not block, so
// that neither a FIFO (which would hold the program up) nor a device (which
// would flood a reader or swallow a line), nor a link to either, is used.
namespace RegularFile {

enum class Access { Read, Append };

// Append creates a missing file, readable and writable by its owner only.
// The file is opened unbuffered.
bool open(QFile &file, const QString &path, Access access);

} // namespace RegularFile
