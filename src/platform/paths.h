#pragma once

#include <QString>

// Name helpers with "/" as the separator.
namespace paths {

// The directory of the running program; asked once at start-up and handed to whoever needs it.
QString ExecutableDir();
// "dir/name.ext" -> "dir" (no trailing separator; empty for a bare name).
QString FileDir(const QString& name);
// "dir/name.ext" -> "name.ext".
QString FileName(const QString& name);
// "dir/name.ext" -> ".ext" (with the dot; empty when the name has none).
QString FileExt(const QString& name);
// Replaces or adds the extension; ext is given with its dot.
QString ChangeFileExt(const QString& name, const QString& ext);
// dir + "/" + name, without doubling the separator.
QString Join(const QString& dir, const QString& name);

} // namespace paths
