// A card tool whose notifications Qt's event loop drains, modal loops included.
#pragma once

#include <memory>

#include "app/CardTool.h"

namespace orva {

class CNotifyPump;

class CQtCardTool final : public CCardTool {
public:
    CQtCardTool(IHidBackend& backend, OnFinish onFinish, Handlers handlers);
    // The pump goes first; what the board posts while the tool lets it go is nobody's business.
    ~CQtCardTool() override;

private:
    std::unique_ptr<CNotifyPump> pump_;
};

}  // namespace orva
