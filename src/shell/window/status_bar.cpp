#include "shell/window/status_bar.h"

#include <QDateTime>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <algorithm>

#include "shell/window/status_parts.h"

namespace meridiana {

PartStatusBar::PartStatusBar(int parts, std::vector<int> distances, QWidget* parent)
    : QWidget(parent), distances_(std::move(distances)) {
  parts = std::clamp(parts, 1, 255);
  for (int i = 0; i < parts; ++i) {
    auto* label = new QLabel(this);  // owned by this widget
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setContentsMargins(2, 0, 2, 0);
    labels_.push_back(label);
  }
  texts_.resize(labels_.size());
  setFixedHeight(fontMetrics().height() + 8);
  PlaceParts();
}

PartStatusBar::~PartStatusBar() = default;

void PartStatusBar::SetPartText(int part, const QString& text) {
  if (part < 0 || part >= partCount()) return;
  const auto index = static_cast<size_t>(part);
  // A label showing the busy block keeps it for a text it already had (an empty one).
  if (!labels_[index]->pixmap().isNull()) labels_[index]->clear();
  texts_[index] = text;
  ShowFitted(index);
}

// What does not fit ends in "…"; the whole text is then the part's tool tip.
void PartStatusBar::ShowFitted(size_t part) {
  QLabel* label = labels_[part];
  const QString& text = texts_[part];
  const int room = label->contentsRect().width();
  const QString shown =
      room > 0 ? label->fontMetrics().elidedText(text, Qt::ElideRight, room) : text;
  label->setText(shown);
  label->setToolTip(shown != text ? text : QString());
}

QString PartStatusBar::partText(int part) const {
  if (part < 0 || part >= partCount()) return {};
  return texts_[static_cast<size_t>(part)];
}

QString PartStatusBar::shownText(int part) const {
  if (part < 0 || part >= partCount()) return {};
  return labels_[static_cast<size_t>(part)]->text();
}

QRect PartStatusBar::partRect(int part) const {
  if (part < 0 || part >= partCount()) return {};
  return labels_[static_cast<size_t>(part)]->geometry();
}

void PartStatusBar::StepBusyIndicator(int part) {
  if (part < 0 || part >= partCount()) return;
  if (window() != nullptr && window()->isMinimized()) return;
  QLabel* label = labels_[static_cast<size_t>(part)];
  const QRect inside = label->contentsRect();
  const int left = busy_.Step(QDateTime::currentMSecsSinceEpoch(), inside.width());
  const qreal ratio = devicePixelRatioF();
  QPixmap pixmap(QSize(std::max(1, inside.width()), std::max(1, inside.height() - 4)) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.fillRect(QRect(left, 0, BusyIndicator::kBlockWidth, inside.height() - 4),
                   palette().color(QPalette::Highlight));
  painter.end();
  texts_[static_cast<size_t>(part)].clear();
  label->setToolTip(QString());
  label->setPixmap(pixmap);
}

void PartStatusBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceParts();
}

void PartStatusBar::PlaceParts() {
  const std::vector<int> edges = StatusPartRightEdges(width(), partCount(), distances_);
  int left = 0;
  for (size_t i = 0; i < labels_.size(); ++i) {
    labels_[i]->setGeometry(left, 1, edges[i] - left, height() - 2);
    left = edges[i];
    if (!texts_[i].isEmpty()) ShowFitted(i);
  }
}

}  // namespace meridiana
