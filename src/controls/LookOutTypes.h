#pragma once
// Values shared by the sections bar's classes.

#include <QIcon>
#include <QList>

namespace flk {

enum TImageSize { isSmall, isLarge };

// The hover frame's colours around a button's icon (top-left / bottom-right).
enum TButtonBorder { bbDark, bbLight, bbMono };

enum TLookOutBorderStyle { bsNone, bsSingle };

// An image list: icons by 0-based index. The owner keeps it alive as long as
// the buttons that show it, and calls update() on them after changing it.
using TImageList = QList<QIcon>;

} // namespace flk
