#pragma once

// Registers every type the QML pages use, in the module "Vlf.GUI" 1.0. Called once,
// before the first QML engine loads anything; further calls do nothing.
void registerQmlTypes();

// Makes the pages, controls and icons compiled into this library reachable under qrc:/.
void initGuiResources();
