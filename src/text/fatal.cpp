// FatalRuntimeError: assembles the error box and ends the program through the port.
#include "text/fatal.h"

#include <atomic>
#include <string>

#include "text/primitives.h"

namespace lumeno {

namespace {
std::atomic<FatalBoxShower> g_shower{nullptr};
}

void SetFatalBoxShower(FatalBoxShower shower) { g_shower.store(shower); }

TextValue FatalErrorBoxText(std::int32_t code, const TextValue& message) {
    std::string text = "运行时出错!\r\n\r\n";
    if (code != 0) text += "错误代码：" + std::to_string(code) + "\r\n\r\n";
    if (!message.IsEmpty()) text += "错误信息：" + message.Bytes() + "\r\n";
    return TextValue(std::move(text));
}

void FatalRuntimeError(std::int32_t code, const TextValue& message) {
    // Assembled without the allocation-failure path: this may be that path.
    const TextValue text = FatalErrorBoxText(code, message);
    const TextValue caption = "错误";
    if (FatalBoxShower shower = g_shower.load()) {
        shower(caption, text);
    } else {
        platform::ShowFatalBox(caption, text);
    }
    platform::ExitProcessNow(-1);
}

void FatalOutOfMemory(std::int64_t bytes) {
    FatalRuntimeError(0, TextValue("分配 " + std::to_string(bytes) + " 字节内存失败!"));
}

}  // namespace lumeno
