#include "gui/ChartDecorator.h"

ChartDecorator::ChartDecorator(QObject* parent) : QObject(parent) {}
