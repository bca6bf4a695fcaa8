#include "gui/library_list_view.h"

#include <QApplication>
#include <QRegularExpression>

#include "app/album_session.h"
#include "gui/dialog_common.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"

namespace orrivan::gui {

namespace {

constexpr size_t kNamesShown = 10;

}  // namespace

LibraryListView::LibraryListView(ViewContext& context, ViewId id, StrId heading, std::optional<settings::Key> previewKey,
                                 QWidget* parent)
    : FormView(context, id, parent) {
  auto* outer = new QHBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  nav_ = new NavColumn(context, id, this);
  outer->addWidget(nav_);

  form_ = new QVBoxLayout;
  form_->setContentsMargins(16, 16, 16, 16);
  auto* title = new QLabel(Text(heading), this);
  title->setObjectName("Heading");
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  form_->addWidget(title);
  form_->addSpacing(8);
  list_ = new LibraryListPanel(previewKey, this);
  form_->addWidget(list_, 1);
  buttons_ = new QHBoxLayout;
  buttons_->addStretch(1);
  form_->addLayout(buttons_);
  outer->addLayout(form_, 1);
  connect(list_, &LibraryListPanel::SelectionChanged, this, [this] { UpdateButtons(); });
}

void LibraryListView::InitialUpdate() { Refresh(); }

QPushButton* LibraryListView::AddButton(StrId caption, const char* objectName) {
  auto* button = new QPushButton(Text(caption), this);
  button->setObjectName(objectName);
  QString plain = button->text();
  plain.remove(QRegularExpression("\\(&.\\)")).remove('&');
  button->setAccessibleName(plain);
  button->setEnabled(false);
  button->setMinimumWidth(110);
  buttons_->addWidget(button);
  return button;
}

void LibraryListView::Refresh(const std::vector<std::string>& select) {
  list_->Reload(Album(), select);
  nav_->RefreshCount();
  UpdateButtons();
  list_->Table()->setFocus();
}

bool LibraryListView::Idle() const { return g_busy == 0 && !context_.frame.Running(); }

CRKCardAlbumDoc& LibraryListView::Album() { return context_.session.Album(); }

void LibraryListView::Tell(const std::string& text, Icon icon) { context_.ui.Message(text, icon); }

std::string LibraryListView::NameList(const std::string& heading, const std::vector<std::string>& names) {
  std::string text = heading;
  for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) text += "\n　" + names[i];
  if (names.size() > kNamesShown) text += "\n　... (" + std::to_string(names.size()) + Str(StrId::DayCountSuffix) + ")";
  return text;
}

}  // namespace orrivan::gui
