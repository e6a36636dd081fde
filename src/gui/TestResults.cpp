#include "gui/TestResults.h"

TestResults::TestResults(QObject* parent) : QObject(parent) {}
