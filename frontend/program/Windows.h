// The front-end's two windows: one document with a print button, and the start window with the
// database and its recent documents.
#pragma once

#include <memory>

#include <QWidget>

#include "Documents.h"
#include "Store.h"

namespace kovrin::frontend::app {

std::unique_ptr<QWidget> documentWindow(Store& store, const Document& document);
std::unique_ptr<QWidget> startWindow(Store& store, int business);

}  // namespace kovrin::frontend::app
