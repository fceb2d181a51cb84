// Opens addresses and folders with the desktop's own handler.
#pragma once

#include "app/UpdateCheck.h"

namespace orva {

class CQtShellOpener final : public IShellOpener {
public:
    // An address with a scheme, or a local path.
    bool Open(std::u16string_view target) override;
};

}  // namespace orva
