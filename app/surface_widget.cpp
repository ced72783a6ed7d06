#include "app/surface_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>
#include <array>

SurfaceWidget::SurfaceWidget(draw::Surface& surface, QWidget* parent)
    : QWidget(parent), surface_(surface) {
  InstallSurfaceAccessibility();
  setAttribute(Qt::WA_OpaquePaintEvent);
  surface_.changed = [this](const QRect& pixels) { update(pixels); };
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.fillRect(area, QColor(draw::ToQRgb(surface_.BackColor)));
  painter.drawImage(area.topLeft(), surface_.Image(), area);
  if (firstPainted) {
    const auto once = std::move(firstPainted);
    firstPainted = nullptr;
    once();
  }
}

void SurfaceWidget::mousePressEvent(QMouseEvent* event) {
  if (mousePressed) mousePressed(event);
}

void SurfaceWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (mouseReleased) mouseReleased(event);
}

namespace {

class SurfaceAccessible;

// One part of the picture (the staff, the circle, the keyboard) as a screen reader sees it:
// a graphic with a name and a description, at its place on the screen.
class PartAccessible final : public QAccessibleInterface {
 public:
  PartAccessible(SurfaceWidget* widget, int index) : widget_(widget), index_(index) {}
  bool isValid() const override { return widget_ != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return widget_ ? widget_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(widget_.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    const SurfaceWidget::Part part = Part();
    if (t == QAccessible::Name) return part.name;
    if (t == QAccessible::Description) return part.description;
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!widget_) return {};
    const QRect r = Part().rect;
    return QRect(widget_->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::Role role() const override { return QAccessible::Graphic; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invisible = !widget_ || !widget_->isVisible() || Part().rect.isEmpty();
    s.readOnly = true;
    return s;
  }

 private:
  SurfaceWidget::Part Part() const {
    if (!widget_ || !widget_->parts) return {};
    const std::vector<SurfaceWidget::Part> all = widget_->parts();
    return index_ < static_cast<int>(all.size()) ? all[static_cast<std::size_t>(index_)]
                                                 : SurfaceWidget::Part{};
  }
  QPointer<SurfaceWidget> widget_;
  int index_;
};

// The drawing surface: its child widgets (the window's controls placed on it) and then its
// picture's parts.
class SurfaceAccessible final : public QAccessibleWidget {
 public:
  explicit SurfaceAccessible(SurfaceWidget* widget) : QAccessibleWidget(widget, QAccessible::Pane) {
    for (int i = 0; i < kParts; ++i) {
      ids_[i] = QAccessible::registerAccessibleInterface(new PartAccessible(widget, i));
    }
  }
  ~SurfaceAccessible() override {
    for (const QAccessible::Id id : ids_) QAccessible::deleteAccessibleInterface(id);
  }
  int childCount() const override { return QAccessibleWidget::childCount() + kParts; }
  QAccessibleInterface* child(int index) const override {
    const int widgets = QAccessibleWidget::childCount();
    if (index < widgets) return QAccessibleWidget::child(index);
    const int part = index - widgets;
    return part < kParts ? QAccessible::accessibleInterface(ids_[part]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < kParts; ++i) {
      if (QAccessible::accessibleInterface(ids_[i]) == child) {
        return QAccessibleWidget::childCount() + i;
      }
    }
    return QAccessibleWidget::indexOfChild(child);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return QStringLiteral("練習画面");
    return QAccessibleWidget::text(t);
  }

  static constexpr int kParts = 3;

 private:
  std::array<QAccessible::Id, kParts> ids_{};
};

QAccessibleInterface* SurfaceFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("SurfaceWidget")) {
    if (auto* widget = qobject_cast<SurfaceWidget*>(object)) return new SurfaceAccessible(widget);
  }
  return nullptr;
}

}  // namespace

void SurfaceWidget::PartsChanged() {
  if (!QAccessible::isActive()) return;
  QAccessibleEvent event(this, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&event);
}

void InstallSurfaceAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(SurfaceFactory);
    return true;
  }();
  (void)installed;
}
