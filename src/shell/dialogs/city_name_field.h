#pragma once
// A line where a city is typed: as the user types, a popup offers the city search's best
// matches ("Reykjavík, Iceland"); a line under it says when nothing matches. What the field
// names is the city picked from the popup while its text stays, else the typed text resolved
// as the CLI resolves names.

#include <QString>
#include <QWidget>
#include <functional>

#include "world/world_data.h"

class QCompleter;
class QLabel;
class QLineEdit;
class QStandardItemModel;

namespace meridiana {

class CityNameField : public QWidget {
  Q_OBJECT

 public:
  // noMatchText has one "%s" for the typed text.
  CityNameField(const WorldData* world, QString noMatchText, QWidget* parent = nullptr);

  QLineEdit* edit() const { return edit_; }
  QLabel* noMatchLine() const { return noMatch_; }
  QCompleter* completer() const { return completer_; }

  // The city the field names, or null (then the no-match line shows, when nothing matched).
  const City* NamedCity() const;
  // The line under the field says that nothing matches its text (a dialog's OK refusing it).
  void ShowNoMatchLine();
  void clear();
  // After a language switch: the no-match line's words, and what it says now.
  void SetNoMatchText(QString noMatchText);

 signals:
  void cityPicked(const meridiana::City* city);  // chosen from the popup
  void returnPressed();                          // Enter while the popup is closed

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OfferMatches(const QString& text);
  void ShowNoMatch(const QString& text, bool show);

  const WorldData* world_;
  QString noMatchText_;
  QLineEdit* edit_ = nullptr;
  QLabel* noMatch_ = nullptr;
  QCompleter* completer_ = nullptr;
  QStandardItemModel* matches_ = nullptr;
  const meridiana::City* picked_ = nullptr;
};

}  // namespace meridiana
