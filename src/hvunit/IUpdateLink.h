#pragma once

// What the update procedure asks of the HV link after a firmware transfer, so that
// it can run against a scripted unit. The image itself goes by TPOF::sendHVCUpdate.
class IUpdateLink {
public:
    virtual ~IUpdateLink() = default;
    // The transfer's state code; reading it resets it to "nothing transferred" (13).
    virtual unsigned getUpdateState() = 0;
    virtual bool rebootHVUnit() = 0;
};
