#include "grid/textmeasure.h"

#include <QFontMetrics>
#include <QHash>

#include "grid/gridtypes.h"
#include "platform/guithread.h"
#include "platform/qtext.h"

namespace orva {

int QtFlagsFromFormat(int format) {
  int flags = 0;
  if (format & DT_CENTER)
    flags |= Qt::AlignHCenter;
  else if (format & DT_RIGHT)
    flags |= Qt::AlignRight;
  else
    flags |= Qt::AlignLeft;
  if (format & DT_VCENTER)
    flags |= Qt::AlignVCenter;
  else if (format & DT_BOTTOM)
    flags |= Qt::AlignBottom;
  else
    flags |= Qt::AlignTop;
  if (format & DT_SINGLELINE)
    flags |= Qt::TextSingleLine;
  else if (format & DT_WORDBREAK)
    flags |= Qt::TextWordWrap;
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  return flags;
}

QFont FontForThisThread(const QFont& font) {
  if (IsGuiThread()) return font;
  thread_local QHash<QString, QFont> ownFonts;
  const QString description = font.toString();
  auto it = ownFonts.constFind(description);
  if (it == ownFonts.constEnd()) {
    // This constructor gives the font a private part of its own; the
    // description then sets every attribute on it.
    QFont own(font.families());
    own.fromString(description);
    it = ownFonts.insert(description, own);
  }
  return *it;
}

QSize MeasureText(const QFont& font, std::string_view gbk, int format) {
  QFontMetrics metrics(FontForThisThread(font));
  QString text = QStringFromGbk(gbk);
  if (format & DT_SINGLELINE) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QSize(metrics.horizontalAdvance(text), metrics.height());
  }
  QSize size = metrics.size((format & DT_EXPANDTABS) ? Qt::TextExpandTabs : 0, text);
  size.setHeight(std::max(size.height(), metrics.height()));
  return size;
}

}  // namespace orva
