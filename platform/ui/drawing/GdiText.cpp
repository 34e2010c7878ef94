#include "platform/ui/drawing/GdiText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <atomic>

#include "platform/ui/drawing/DrawnTextObserver.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiRecords.h"

namespace platform {

using ui_detail::IsLive;

namespace {

QString WithoutPrefixMarks(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        result += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    result += text[i];
  }
  return result;
}

QStringList SplitParagraphs(const QString& text) {
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return normalised.split(QLatin1Char('\n'));
}

// Lines of a paragraph broken at the width where words (or East Asian characters)
// allow; a word wider than the line stays whole.
QStringList WrapParagraph(const QString& paragraph, const QFont& font, int width) {
  QStringList lines;
  if (paragraph.isEmpty()) {
    lines << QString();
    return lines;
  }
  QTextLayout layout(paragraph, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(std::max(0, width));
  }
  layout.endLayout();
  for (int i = 0; i < layout.lineCount(); ++i) {
    QTextLine line = layout.lineAt(i);
    QString piece = paragraph.mid(line.textStart(), line.textLength());
    while (!piece.isEmpty() && piece.back().isSpace()) piece.chop(1);
    lines << piece;
  }
  return lines;
}

std::atomic<ui_detail::DrawnTextObserver*> activeObserver{nullptr};

}  // namespace

namespace ui_detail {

void SetDrawnTextObserver(DrawnTextObserver* observer) { activeObserver.store(observer, std::memory_order_release); }

void ClearDrawnTextObserver(DrawnTextObserver* observer) {
  activeObserver.compare_exchange_strong(observer, nullptr, std::memory_order_acq_rel);
}

}  // namespace ui_detail

int DrawTextEx(DcHandle dc, const std::wstring& text, Rect& rect, unsigned int format) {
  if (!IsLive(dc)) return 0;
  const GdiObject* selected = dc->font != nullptr ? dc->font : ui_detail::StockObject(SYSTEM_FONT);
  if ((format & DT_CALCRECT) == 0) {
    if (ui_detail::DrawnTextObserver* observer = activeObserver.load(std::memory_order_acquire)) {
      observer->OnDrawnText(text, rect, format, selected->description, dc->textColor);
    }
  }
  QFont font = selected->font;
  QFontMetrics metrics(font);
  int lineHeight = metrics.ascent() + metrics.descent();
  QString value = QString::fromStdWString(text);
  if ((format & DT_NOPREFIX) == 0) value = WithoutPrefixMarks(value);

  QStringList lines;
  if (format & DT_SINGLELINE) {
    value.remove(QLatin1Char('\r'));
    value.remove(QLatin1Char('\n'));
    lines << value;
  } else {
    for (const QString& paragraph : SplitParagraphs(value)) {
      if (format & DT_WORDBREAK) {
        lines << WrapParagraph(paragraph, font, rect.Width());
      } else {
        lines << paragraph;
      }
    }
  }
  int widest = 0;
  std::vector<int> widths;
  for (const QString& line : lines) {
    widths.push_back(metrics.horizontalAdvance(line));
    widest = std::max(widest, widths.back());
  }
  int textHeight = lineHeight * static_cast<int>(lines.size());

  if (format & DT_CALCRECT) {
    rect.right = rect.left + widest;
    rect.bottom = rect.top + textHeight;
    return textHeight;
  }
  if (!dc->painter) return textHeight;

  int top = rect.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) {
      top = rect.top + (rect.Height() - lineHeight) / 2;
    } else if (format & DT_BOTTOM) {
      top = rect.bottom - lineHeight;
    }
  }
  QPainter& painter = *dc->painter;
  painter.save();
  if ((format & DT_NOCLIP) == 0) painter.setClipRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), Qt::IntersectClip);
  painter.setFont(font);
  painter.setPen(ui_detail::ToQColor(dc->textColor));
  for (int i = 0; i < lines.size(); ++i) {
    int left = rect.left;
    if (format & DT_CENTER) {
      left = rect.left + (rect.Width() - widths[i]) / 2;
    } else if (format & DT_RIGHT) {
      left = rect.right - widths[i];
    }
    int lineTop = top + i * lineHeight;
    if (dc->backgroundMode == OPAQUE) {
      painter.fillRect(QRect(left, lineTop, widths[i], lineHeight), Qt::white);
    }
    painter.drawText(QPoint(left, lineTop + metrics.ascent()), lines[i]);
  }
  painter.restore();
  return (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) ? top - rect.top + lineHeight : textHeight;
}

}  // namespace platform
