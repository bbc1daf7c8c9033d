#pragma once
// The map control (id 1011). Until the map is composed it shows a plain ocean-blue area.

#include <QWidget>

namespace meridiana {

class MapArea : public QWidget {
  Q_OBJECT

 public:
  explicit MapArea(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace meridiana
