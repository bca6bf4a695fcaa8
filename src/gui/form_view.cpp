#include "gui/form_view.h"

namespace orrivan::gui {

std::atomic<int> g_busy{0};

FormView::FormView(ViewContext& context, ViewId id, QWidget* parent) : QWidget(parent), context_(context), id_(id) {}

}  // namespace orrivan::gui
