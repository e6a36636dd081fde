#include "StandaloneHVData.h"
#include "TPOF.h"

// Until the data model is wired in, the link keeps its data-model side in memory.
std::unique_ptr<HFStateSubscriber> makeDefaultHVSub() { return std::make_unique<StandaloneHVData>(); }
std::unique_ptr<IHVDataModel> makeDefaultHVDataModel() { return std::make_unique<StandaloneHVData>(); }
