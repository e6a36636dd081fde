#include "gui/TestPreparation.h"

TestPreparation::TestPreparation(QObject* parent) : QObject(parent) {}
