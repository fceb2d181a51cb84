#include "ui/QtCardTool.h"

#include "ui/NotifyPump.h"

namespace orva {

CQtCardTool::CQtCardTool(IHidBackend& backend, OnFinish onFinish, Handlers handlers)
    : CCardTool(backend, onFinish, std::move(handlers)),
      pump_(std::make_unique<CNotifyPump>(Notify())) {}

CQtCardTool::~CQtCardTool() = default;

}  // namespace orva
