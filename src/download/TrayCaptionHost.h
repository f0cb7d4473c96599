#pragma once
// The tray window's caption, which the download dialog's and the options
// window's "Enable Download Detection" boxes change: "FLK" while the browser
// helper may find the program, "FLK - Download Detect Disabled" when it must
// not. The tray window implements it and registers with the program's windows
// (ProgramWindows).

#include <QString>

namespace flk {

class TrayCaptionHost {
public:
    virtual ~TrayCaptionHost() = default;
    virtual void SetTrayCaption(const QString& caption) = 0;
};

} // namespace flk
