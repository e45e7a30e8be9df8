#pragma once
// The character encoding of a list file as its XML declaration names it.
#include <QByteArray>
#include <QString>
#include <optional>

// The encoding named by the declaration an XML text starts with, written
// in ASCII without a byte order mark; empty when there is none.
QByteArray DeclaredEncoding(const QByteArray& bytes);

// Whether an encoding name stands for UTF-8.
bool IsUtf8Name(const QByteArray& name);

// The bytes read in the named encoding; nothing when the name is unknown or
// the bytes are not valid in it. The Chinese names that web browsers read
// as GBK (GB2312, GBK, ...) are read as GB18030, which holds all of GBK.
std::optional<QString> Decode(const QByteArray& name, const QByteArray& bytes);
