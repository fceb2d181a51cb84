// Real boards through hidapi's hidraw back-end.
#pragma once

#include "card/HidBackend.h"

namespace orva {

class CHidapiBackend final : public IHidBackend {
public:
    CHidapiBackend();
    ~CHidapiBackend() override;
    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<IHidDevice> Open(const std::string& path) override;
    bool Owns(const std::string& path) const override;
};

// Both back-ends: real boards first, then the simulated ones.
class CCompositeHidBackend final : public IHidBackend {
public:
    CCompositeHidBackend();
    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<IHidDevice> Open(const std::string& path) override;
    bool Owns(const std::string& path) const override;

private:
    std::vector<std::unique_ptr<IHidBackend>> backends_;
};

}  // namespace orva
