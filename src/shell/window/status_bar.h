#pragma once
// A status bar of a fixed number of text parts, each ending a fixed distance from the right edge
// (see status_parts.h). Part 0 takes whatever width is left.

#include <QLabel>
#include <QWidget>
#include <memory>
#include <string_view>
#include <vector>

#include "shell/window/status_parts.h"

namespace meridiana {

class PartStatusBar : public QWidget {
  Q_OBJECT

 public:
  PartStatusBar(int parts, std::vector<int> distances, QWidget* parent = nullptr);
  ~PartStatusBar() override;

  int partCount() const { return static_cast<int>(labels_.size()); }
  // Sets a part's text; out-of-range parts are ignored.
  void SetPartText(int part, const QString& text);
  // The whole text, as set (the part may show it cut short).
  QString partText(int part) const;
  // What the part shows now.
  QString shownText(int part) const;
  // The part's rectangle in the bar's coordinates.
  QRect partRect(int part) const;
  // Moves the busy indicator drawn in the part one step (the part's text gives way to it);
  // nothing happens while the window is minimised. A text set later replaces the indicator.
  void StepBusyIndicator(int part);
  const BusyIndicator& busyIndicator() const { return busy_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlaceParts();
  void ShowFitted(size_t part);

  std::vector<int> distances_;
  std::vector<QLabel*> labels_;  // children of this widget
  std::vector<QString> texts_;   // the whole text of each part
  BusyIndicator busy_;
};

}  // namespace meridiana
