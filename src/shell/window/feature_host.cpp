#include "shell/window/feature_host.h"

#include <QMetaObject>
#include <QWidget>

namespace meridiana {

void PostToWindow(const FeatureHost& host, std::function<void()> call) {
  QMetaObject::invokeMethod(host.window, std::move(call), Qt::QueuedConnection);
}

}  // namespace meridiana
