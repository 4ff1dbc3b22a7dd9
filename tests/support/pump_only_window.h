// PumpOnlyWindow: a window without controls, for tests that only care about the pumps of
// the code they run. Every control operation does nothing; a subclass says what a pump does.
#pragma once

#include "ui/window.h"

namespace lumeno {

class PumpOnlyWindow : public Window {
  public:
    TextValue ReadEditText(ControlId) override { return {}; }
    void SetEditText(ControlId, const TextValue&) override {}
    std::int32_t ReadChecked(ControlId) override { return 0; }
    TextValue ReadCaption(ControlId) override { return {}; }
    void SetCaption(ControlId, const TextValue&) override {}
    void SetTimerPeriod(std::int32_t) override {}
    bool IsAlive() override { return true; }
    void ShowNotice(const TextValue&, const TextValue&) override {}
    void OpenInBrowser(const TextValue&) override {}
};

}  // namespace lumeno
