#pragma once

// Version text meaning "no version known".
constexpr const char INVALID_VERSION[] = "0.00";
