#include "gui/source_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialog_common.h"

namespace orrivan::gui {
namespace {

constexpr int kIndexRole = Qt::UserRole;

QListWidget* MakeList(const QString& label, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setAccessibleName(PlainLabel(label));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setMinimumSize(220, 160);
  list->setTextElideMode(Qt::ElideMiddle);
  return list;
}

size_t IndexOf(const QListWidgetItem* item) { return item->data(kIndexRole).value<size_t>(); }

}  // namespace

SourceDialog::SourceDialog(QWidget* parent, const std::string& caption, const std::vector<SourceEntry>& entries)
    : QDialog(parent) {
  setWindowTitle(Q(caption.empty() ? Str(StrId::ImportCaption) : caption));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Q(StrId::SourcesFound), this));
  layout->addWidget(new QLabel(Q(StrId::SourcesPrompt), this));
  layout->addSpacing(6);

  const QString foundLabel = Q(StrId::FoundFolderList);
  const QString chosenLabel = Q(StrId::FolderList);
  found_ = MakeList(foundLabel, this);
  chosen_ = MakeList(chosenLabel, this);
  for (size_t i = 0; i < entries.size(); ++i) {
    auto* item = new QListWidgetItem(Q(entries[i].shown), found_);
    item->setData(kIndexRole, QVariant::fromValue(i));
    item->setToolTip(item->text());
  }
  auto* foundCaption = new QLabel(foundLabel, this);
  auto* chosenCaption = new QLabel(chosenLabel, this);
  foundCaption->setBuddy(found_);
  chosenCaption->setBuddy(chosen_);

  add_ = MakeButton(Q(StrId::AddButton), this);
  remove_ = MakeButton(Q(StrId::RemoveButton), this);
  auto* middle = new QVBoxLayout;
  middle->addStretch(1);
  middle->addWidget(add_);
  middle->addWidget(remove_);
  middle->addStretch(1);

  auto* grid = new QGridLayout;
  grid->addWidget(foundCaption, 0, 0);
  grid->addWidget(chosenCaption, 0, 2);
  grid->addWidget(found_, 1, 0);
  grid->addLayout(middle, 1, 1);
  grid->addWidget(chosen_, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  layout->addLayout(grid, 1);
  layout->addSpacing(8);

  import_ = MakeButton(Q(StrId::ImportButton), this);
  QPushButton* cancel = MakeButton(Q(StrId::CancelButtonHalfWidth), this);
  import_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(import_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  connect(add_, &QPushButton::clicked, this, &SourceDialog::AddSelected);
  connect(remove_, &QPushButton::clicked, this, &SourceDialog::RemoveSelected);
  connect(found_, &QListWidget::itemDoubleClicked, this, &SourceDialog::AddSelected);
  connect(chosen_, &QListWidget::itemDoubleClicked, this, &SourceDialog::RemoveSelected);
  connect(found_, &QListWidget::itemSelectionChanged, this, &SourceDialog::Refresh);
  connect(chosen_, &QListWidget::itemSelectionChanged, this, &SourceDialog::Refresh);
  connect(import_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  if (found_->count() > 0) found_->setCurrentRow(0);
  found_->setFocus();
  Refresh();
}

std::vector<size_t> SourceDialog::Order() const {
  std::vector<size_t> order;
  for (int row = 0; row < chosen_->count(); ++row) order.push_back(IndexOf(chosen_->item(row)));
  return order;
}

bool SourceDialog::Add(size_t index) {
  for (int row = 0; row < found_->count(); ++row) {
    if (IndexOf(found_->item(row)) != index) continue;
    found_->setCurrentRow(row);
    add_->click();
    return true;
  }
  return false;
}

void SourceDialog::AddSelected() {
  QListWidgetItem* item = found_->currentItem();
  if (!item || !item->isSelected()) return;
  const int row = found_->row(item);
  chosen_->addItem(found_->takeItem(row));
  // The next entry is ready for the next press of the button.
  if (found_->count() > 0) found_->setCurrentRow(std::min(row, found_->count() - 1));
  Refresh();
}

void SourceDialog::RemoveSelected() {
  QListWidgetItem* item = chosen_->currentItem();
  if (!item || !item->isSelected()) return;
  const int row = chosen_->row(item);
  ReturnToFound(chosen_->takeItem(row));
  if (chosen_->count() > 0) chosen_->setCurrentRow(std::min(row, chosen_->count() - 1));
  Refresh();
}

void SourceDialog::ReturnToFound(QListWidgetItem* item) {
  int row = 0;
  while (row < found_->count() && IndexOf(found_->item(row)) < IndexOf(item)) ++row;
  found_->insertItem(row, item);
}

void SourceDialog::Refresh() {
  add_->setEnabled(found_->currentItem() && found_->currentItem()->isSelected());
  remove_->setEnabled(chosen_->currentItem() && chosen_->currentItem()->isSelected());
  import_->setEnabled(chosen_->count() > 0);
}

std::vector<size_t> ChooseSourcesDialog(QWidget* parent, const std::string& caption,
                                        const std::vector<SourceEntry>& entries) {
  SourceDialog dialog(parent, caption, entries);
  std::string text;
  for (const SourceEntry& entry : entries) text += entry.shown + "\n";
  const bool ok = RunDialog(dialog, DialogKind::Sources, text, dialog.ImportButton(),
                            [&dialog](const DialogSeam::Answer& answer) {
                              for (size_t index : answer.order) {
                                if (!dialog.Add(index)) {
                                  DialogSeam::Miss("the source selection has no entry " + std::to_string(index) +
                                                   " to add");
                                  return false;
                                }
                              }
                              dialog.ImportButton()->click();
                              return true;
                            });
  if (!ok) return {};
  return dialog.Order();
}

}  // namespace orrivan::gui
