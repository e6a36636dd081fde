#pragma once

// Registers the built-in catalogues (":/languages/english.qm"). A static library's
// resources stay out of the program unless something calls this; calling it again is harmless.
void initBuiltinLanguages();
