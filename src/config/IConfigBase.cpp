#include "config/IConfigBase.h"

IConfigBase::~IConfigBase() = default;
