// The view table: every view the frame can show, by id. A view joins with one row here.
#include <utility>

#include "gui/backup_view.h"
#include "gui/default_view.h"
#include "gui/entry_form_view.h"
#include "gui/form_view.h"
#include "gui/move_view.h"
#include "gui/order_view.h"
#include "gui/remove_view.h"
#include "gui/setup_form_view.h"

namespace orrivan::gui {

namespace {

template <typename View>
FormView* Make(ViewContext& context, QWidget* parent) {
  return new View(context, parent);
}

const std::pair<ViewId, ViewFactory> kViews[] = {
    {ViewId::Start, Make<CDefaultView>},
    {ViewId::Import, Make<CEntryFormView>},
    {ViewId::Settings, Make<CSetupFormView>},
    {ViewId::Edit, Make<COrderFormView>},
    {ViewId::Remove, Make<CRemoveFormView>},
    {ViewId::Copy, Make<CBackupFormView>},
    {ViewId::Move, Make<CMoveFormView>},
};

}  // namespace

ViewFactory FindView(ViewId id) {
  for (const auto& [view, factory] : kViews)
    if (view == id) return factory;
  return {};
}

}  // namespace orrivan::gui
