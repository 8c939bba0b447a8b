#pragma once

#include <memory>

#include <QString>

#include "ui/web_view.h"

class QWidget;

namespace lh {

// The Chromium view (Qt WebEngine), with a profile of its own under `storageRoot`.
std::unique_ptr<WebView> createEngineWebView(QWidget* parent, const QString& storageRoot);

}  // namespace lh
