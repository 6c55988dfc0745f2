#pragma once

#include <QString>

// Where the settings file qtm.ini and the desktop file qtm.dsk live. A program run from its build tree or
// from a copy the user owns keeps them beside itself. An installed program (one whose directory the user
// cannot write, or that has its data folder ../share/qtm) keeps them in the user's configuration folder
// (QStandardPaths::AppConfigLocation, ~/.config/qtm), into which the defaults standing in the data folder
// or beside the program are copied the first time; files the user already has are never replaced.
QString SettingsDirectory(const QString& programDir);
// The decision with its inputs given.
QString SettingsDirectory(const QString& programDir, bool installed, const QString& userDir);

// The read-only files that come with the program (help documents, examples): ../share/qtm beside an
// installed program, the program's own directory otherwise.
QString DataDirectory(const QString& programDir);
