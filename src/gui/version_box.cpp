#include "gui/version_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/build_info.h"
#include "base/strings.h"
#include "gui/dialog_common.h"

namespace orrivan::gui {

QWidget* MakeVersionInfo(QWidget* parent) {
  auto* info = new QWidget(parent);
  info->setObjectName("VersionInfo");
  auto* grid = new QGridLayout(info);
  grid->setHorizontalSpacing(16);
  auto* icon = new QLabel(info);
  icon->setPixmap(QIcon(":/icons/orrivan.svg").pixmap(48, 48));
  icon->setAccessibleName(Q(ProgramName()));
  grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  auto* name = new QLabel(Q(ProgramName()), info);
  name->setObjectName("ProgramName");
  QFont big = name->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.5);
  name->setFont(big);
  grid->addWidget(name, 0, 1, 1, 2);
  auto* version = new QLabel(Text(StrId::VersionLabel) + Q(ProgramVersion()), info);
  version->setObjectName("ProgramVersion");
  grid->addWidget(version, 1, 1, 1, 2);
  grid->addWidget(new QLabel(Text(StrId::BuiltWithLabel), info), 2, 1, 1, 2);
  int row = 3;
  for (const BuildComponent& c : BuildComponents()) {
    auto* n = new QLabel(Q(c.name), info);
    auto* v = new QLabel(Q(c.version), info);
    v->setObjectName(Q("BuiltWith_" + c.name));
    v->setAccessibleName(n->text());
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(n, row, 1);
    grid->addWidget(v, row, 2);
    ++row;
  }
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(row, 1);
  return info;
}

void ShowVersionBox(QWidget* parent) {
  QDialog box(parent);
  box.setObjectName("VersionBox");
  box.setWindowTitle(Text(StrId::VersionBoxTitle));
  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(MakeVersionInfo(&box));
  auto* buttons = new QDialogButtonBox(&box);
  QPushButton* ok = MakeButton(Text(StrId::OkButton), &box);
  buttons->addButton(ok, QDialogButtonBox::AcceptRole);
  ok->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(buttons);
  RunDialog(box, DialogKind::Version, ProgramName() + " " + ProgramVersion(), ok, nullptr);
}

}  // namespace orrivan::gui
