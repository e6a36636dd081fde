#include "gui/SystemInformation.h"

SystemInformation::SystemInformation(QObject* parent) : QObject(parent) {}
