#pragma once

#include <QString>
#include <QStringList>

// Writes the program's text files: UTF-8, every line ended by CR LF. Lines
// are written as given; values that FieldReader must read back whole go
// through quoted() first.
class LineWriter
{
public:
    // Replaces the whole file at once, so that a crash or a full disk leaves
    // either the old file or the new one, never a part of it. A replaced file
    // keeps its permissions.
    static bool replace(const QString &path, const QStringList &lines);

    // Adds one line at the end of the file, creating it readable by its owner
    // only. The line goes out in a single write to a file opened for
    // appending, so two running programs never mix their lines. Nothing is
    // written to what is not a regular file (a FIFO, a device). A file that
    // begins with a UTF-16 byte-order mark gets its line in UTF-16 of that
    // byte order, so that it stays one readable file.
    static bool append(const QString &path, const QString &line);

    // The value as a field FieldReader reads back whole. A value holding a
    // comma, a double quote or a line end, or beginning with a blank, is put
    // in double quotes, and its own double quotes become %22, which means
    // the same in an address.
    static QString quoted(const QString &value);
};
