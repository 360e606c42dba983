#include "gui/Backdrop.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace tav {
namespace {

const QColor kNight(10, 14, 28);
const QColor kDeepBlue(22, 38, 70);
const QColor kAccent(64, 140, 220);

// A drum (cylinder) standing in `box`: the usual picture of a database.
void PaintDrum(QPainter& p, const QRectF& box, const QColor& body, const QColor& rim) {
  const qreal capHeight = box.height() * 0.28;
  QPainterPath side;
  side.moveTo(box.left(), box.top() + capHeight / 2);
  side.lineTo(box.left(), box.bottom() - capHeight / 2);
  side.arcTo(QRectF(box.left(), box.bottom() - capHeight, box.width(), capHeight), 180, 180);
  side.lineTo(box.right(), box.top() + capHeight / 2);
  side.closeSubpath();
  p.setBrush(body);
  p.setPen(QPen(rim, qMax<qreal>(1.0, box.width() / 24)));
  p.drawPath(side);
  for (int band = 1; band <= 2; ++band) {
    const qreal y = box.top() + (box.height() - capHeight) * band / 3;
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(box.left(), y, box.width(), capHeight), 180 * 16, 180 * 16);
  }
  p.setBrush(rim);
  p.drawEllipse(QRectF(box.left(), box.top(), box.width(), capHeight));
}

void PaintSky(QPainter& p) {
  QLinearGradient sky(0, 0, kBackdropWidth * 0.4, kBackdropHeight);
  sky.setColorAt(0.0, kDeepBlue);
  sky.setColorAt(0.55, kNight);
  sky.setColorAt(1.0, QColor(4, 6, 12));
  p.fillRect(0, 0, kBackdropWidth, kBackdropHeight, sky);

  QRadialGradient glow(QPointF(kBackdropWidth * 0.85, -20), kBackdropWidth * 0.6);
  glow.setColorAt(0.0, QColor(60, 110, 180, 110));
  glow.setColorAt(1.0, QColor(60, 110, 180, 0));
  p.fillRect(0, 0, kBackdropWidth, kBackdropHeight, glow);
}

// Faint diagonal streaks across the lower half, like light on glass.
void PaintStreaks(QPainter& p) {
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 5; ++i) {
    QPainterPath streak;
    const qreal x = 120 + i * 78;
    streak.moveTo(x, kBackdropHeight);
    streak.lineTo(x + 26 + i * 4, kBackdropHeight);
    streak.lineTo(x + 190, 150);
    streak.lineTo(x + 178 - i * 2, 150);
    streak.closeSubpath();
    QLinearGradient fade(0, 150, 0, kBackdropHeight);
    fade.setColorAt(0.0, QColor(90, 140, 210, 0));
    fade.setColorAt(1.0, QColor(90, 140, 210, 14 + i * 3));
    p.setBrush(fade);
    p.drawPath(streak);
  }
}

// The title strip above the introduction: an accent rule and a small drum at its start.
void PaintHeader(QPainter& p) {
  QLinearGradient rule(20, 0, kBackdropWidth - 20, 0);
  rule.setColorAt(0.0, QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 230));
  rule.setColorAt(1.0, QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 0));
  p.fillRect(QRectF(48, 30, kBackdropWidth - 68, 2), rule);
  PaintDrum(p, QRectF(20, 10, 20, 26), QColor(30, 60, 105), QColor(110, 170, 235));
}

}  // namespace

QImage PaintBackdrop() {
  QImage picture(kBackdropWidth, kBackdropHeight, QImage::Format_RGB888);
  picture.fill(kNight);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  PaintSky(p);
  PaintStreaks(p);
  PaintHeader(p);
  return picture;
}

QIcon PaintAppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal m = size / 8.0;
    PaintDrum(p, QRectF(m, m * 0.6, size - 2 * m, size - 1.6 * m), QColor(34, 70, 125),
              QColor(120, 185, 245));
    // A sweep of light across the drum: the database made clean again.
    QPen sweep(QColor(255, 255, 255, 220), qMax<qreal>(1.0, size / 14.0), Qt::SolidLine, Qt::RoundCap);
    p.setPen(sweep);
    p.drawLine(QPointF(size * 0.30, size * 0.78), QPointF(size * 0.72, size * 0.42));
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace tav
