#pragma once

#include <QString>

// The owner's database follows a change of the system name. The name of the database file
// the instrument runs on is noted beside it; when the system name maps to another file name
// at a later start, that database is renamed to it in one step, never over an existing file.
// Where it cannot move it is opened under its old name, so the menu passwords, the logs, the
// statistics and the cable numbers stay the owner's whatever name the instrument is given.
class DbNameFollower {
public:
    static constexpr const char* kNoteFile = "database.name";

    // The database file to open in folder, whose system name asks for wantedName. Called
    // while no database of folder is open.
    static QString settle(const QString& folder, const QString& wantedName);
    // Notes the database at path as the one the instrument runs on.
    static bool remember(const QString& path);
};
