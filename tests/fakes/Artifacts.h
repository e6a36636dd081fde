#pragma once

#include <QString>

// Folder for what a test leaves for people to look at (screenshots):
// $VLF_ARTIFACT_DIR/<kind>/<test>, by default build/artifacts/<kind>/<test>. Created.
QString artifactDir(const QString& kind, const QString& test);
