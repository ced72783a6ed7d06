// The window as a screen reader reads it: Qt's accessibility interface, walked from the main
// window down, gives every control a name of its own that says what it does, and the
// drawing gives the staff, the circle and the keyboard each a description of what they show.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>
#include <functional>

#include "tests/app/main_window_fixture.h"

namespace {

bool IsControl(QAccessible::Role role) {
  switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::ScrollBar:
    case QAccessible::Slider:
    case QAccessible::ButtonMenu:
      return true;
    default:
      return false;
  }
}

struct Control {
  QString name;
  QAccessible::Role role;
  QRect rect;
  QString widget;
};

void Walk(QAccessibleInterface* node, std::vector<Control>& controls, int depth = 0) {
  if (!node || depth > 30) return;
  if (node->state().invisible) return;
  if (IsControl(node->role())) {
    QString widget;
    if (auto* w = qobject_cast<QWidget*>(node->object())) widget = w->objectName();
    // On Linux a combo box is read by its label (the "labelled by" relation) and its value.
    QString name = node->text(QAccessible::Name);
    if (node->role() == QAccessible::ComboBox) {
      for (const auto& [label, relation] : node->relations(QAccessible::Label)) {
        name = label->text(QAccessible::Name) + QLatin1Char(' ') + name;
      }
    }
    controls.push_back({name, node->role(), node->rect(), widget});
    // A combo box's own list and buttons are not the window's controls.
    if (node->role() == QAccessible::ComboBox || node->role() == QAccessible::ScrollBar ||
        node->role() == QAccessible::SpinBox) {
      return;
    }
  }
  for (int i = 0; i < node->childCount(); ++i) Walk(node->child(i), controls, depth + 1);
}

TEST_F(MainWindow, EveryControlHasANameOfItsOwn) {
  frmMain& w = Start();
  QAccessible::setActive(true);
  std::vector<Control> controls;
  Walk(QAccessible::queryAccessibleInterface(&w), controls);
  QMap<QString, int> seen;
  for (const Control& c : controls) seen[c.name]++;
  EXPECT_GE(controls.size(), 20u);
  const QRect screen(w.mapToGlobal(QPoint(0, 0)), w.size());
  for (const Control& c : controls) {
    EXPECT_FALSE(c.name.trimmed().isEmpty())
        << "a control of role " << c.role << " at " << c.rect.x() << "," << c.rect.y();
    EXPECT_EQ(seen[c.name], 1) << c.name.toStdString() << " is the name of more than one control";
    EXPECT_TRUE(screen.intersects(c.rect)) << c.name.toStdString() << " is not on the window";
  }
  // The two picture buttons say what they do; the lists are read with their labels.
  EXPECT_TRUE(seen.contains(QStringLiteral("連続演奏を始める")));
  EXPECT_TRUE(seen.contains(QStringLiteral("演奏を止める")));
  const auto labelled = [&](const QString& label) {
    return std::any_of(controls.begin(), controls.end(), [&](const Control& c) {
      return c.role == QAccessible::ComboBox && c.name.startsWith(label + QLatin1Char(' '));
    });
  };
  EXPECT_TRUE(labelled(QStringLiteral("学習別")));
  EXPECT_TRUE(labelled(QStringLiteral("種類")));
  // Controls hidden now (the staff-position buttons, the II-V-I lists) are named as well.
  QMap<QString, int> all;
  const auto widgets = w.findChildren<QWidget*>();
  for (QWidget* c : widgets) {
    if (!c->inherits("QAbstractButton") && !c->inherits("QComboBox") && !c->inherits("QLineEdit") &&
        !c->inherits("QAbstractSlider")) {
      continue;
    }
    // The parts of Qt's own composite widgets (a combo box's list, the menu bar's overflow
    // button) are not the window's controls.
    if (c->window() != &w || c->parent()->inherits("QComboBox") ||
        c->parent()->inherits("QAbstractSpinBox") || c->parent()->inherits("QMenuBar")) {
      continue;
    }
    const QString name = QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name);
    EXPECT_FALSE(name.trimmed().isEmpty()) << c->metaObject()->className();
    all[name]++;
  }
  for (auto it = all.begin(); it != all.end(); ++it) {
    EXPECT_EQ(it.value(), 1) << it.key().toStdString() << " names more than one control";
  }
}

// The drawing's three parts, each with what it shows now: the item, its key and its notes.
TEST_F(MainWindow, TheStaffCircleAndKeyboardDescribeWhatTheyShow) {
  cfg.Category = 0;
  cfg.LastItem[0] = 0;
  cfg.Root = 2;  // D
  cfg.ShowScore = cfg.ShowDiagram = cfg.ShowKeyboard = -1;
  frmMain& w = Start();
  QAccessible::setActive(true);
  QMap<QString, QAccessibleInterface*> parts;
  std::function<void(QAccessibleInterface*)> find = [&](QAccessibleInterface* node) {
    if (!node) return;
    if (node->role() == QAccessible::Graphic && !node->object()) {
      parts[node->text(QAccessible::Name)] = node;
    }
    for (int i = 0; i < node->childCount(); ++i) find(node->child(i));
  };
  find(QAccessible::queryAccessibleInterface(&w));
  ASSERT_EQ(parts.size(), 3) << QStringList(parts.keys()).join(',').toStdString();
  const QString staff = parts[QStringLiteral("五線譜")]->text(QAccessible::Description);
  EXPECT_TRUE(staff.contains(QStringLiteral("8 音：D E F# G A B C# D"))) << staff.toStdString();
  const QString circle = parts[QStringLiteral("サークル図")]->text(QAccessible::Description);
  EXPECT_TRUE(circle.contains(QStringLiteral("D E F# G A B C#"))) << circle.toStdString();
  EXPECT_FALSE(circle.contains(QStringLiteral("C# D"))) << "each pitch class once";
  // The parts lie where they are drawn: the staff above the circle, the keyboard below it.
  const QRect staffRect = parts[QStringLiteral("五線譜")]->rect();
  const QRect circleRect = parts[QStringLiteral("サークル図")]->rect();
  const QRect keysRect = parts[QStringLiteral("鍵盤")]->rect();
  EXPECT_FALSE(staffRect.isEmpty());
  EXPECT_GT(keysRect.width(), w.width() / 2);  // the keyboard spans most of the drawing
  EXPECT_LT(staffRect.center().y(), circleRect.center().y());
  EXPECT_LT(circleRect.center().y(), keysRect.center().y());
  // A held note is told of; a change of key changes the description.
  w.PlayedNote(64, 80);
  EXPECT_TRUE(parts[QStringLiteral("鍵盤")]
                  ->text(QAccessible::Description)
                  .contains(QStringLiteral("押している鍵（MIDIノート）：64")));
  w.PlayedNote(64, 0);
  w.KeyUp();
  EXPECT_TRUE(parts[QStringLiteral("五線譜")]
                  ->text(QAccessible::Description)
                  .contains(QStringLiteral("E♭ F G A♭ B♭ C D E♭")) ||
              parts[QStringLiteral("五線譜")]
                  ->text(QAccessible::Description)
                  .contains(QStringLiteral("Eb F G Ab Bb C D Eb")));
}

// Tab moves through the controls in the order they stand: the selections, the tempo,
// continuous play, then the single actions.
TEST_F(MainWindow, KeyboardFocusGoesThroughTheControlsInOrder) {
  frmMain& w = Start();
  std::vector<QWidget*> reached;
  QWidget* const start = w.ui.Combo2;
  QWidget* at = start;
  for (int i = 0; i < 80 && (reached.empty() || at != start); ++i) {
    if (at->isVisibleTo(&w) && at->isEnabled() && (at->focusPolicy() & Qt::TabFocus)) {
      reached.push_back(at);
    }
    at = at->nextInFocusChain();
  }
  const auto place = [&](QWidget* target) {
    return std::find(reached.begin(), reached.end(), target) - reached.begin();
  };
  const frmMainUi& ui = w.ui;
  const std::vector<QWidget*> expected = {ui.Combo2,     ui.Combo1,   ui.Text1,    ui.Check6,
                                          ui.Option1[0], ui.Command5, ui.Command7, ui.Check2,
                                          ui.Check4,     ui.Command2, ui.Command3, ui.Command1};
  for (std::size_t i = 1; i < expected.size(); ++i) {
    EXPECT_LT(place(expected[i - 1]), place(expected[i]))
        << expected[i - 1]->accessibleName().toStdString() << " before "
        << expected[i]->accessibleName().toStdString();
  }
  EXPECT_LT(place(ui.Command1), static_cast<std::ptrdiff_t>(reached.size()));
}

}  // namespace
