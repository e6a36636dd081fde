#include "hvunit/GPIONull.h"

#include "logging/LoggingCtrl.h"

GPIONull::GPIONull() { KLOG_ERROR2("GPIONull", "GPIONull", "No GPIO Driver found!"); }

int GPIONull::get_pin(int) { return -1; }

bool GPIONull::set_pin(int, bool) { return false; }

bool GPIONull::cfg_io_pin(int, int) { return false; }
