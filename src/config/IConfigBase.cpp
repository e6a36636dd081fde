#include "IConfigBase.h"

IConfigBase::~IConfigBase() = default;
