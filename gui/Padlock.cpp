#include "gui/Padlock.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tav {

namespace {
constexpr int kSize = 48;

void DrawShackle(QPainter& p) {
  QPen steel(QColor(150, 150, 160), 5, Qt::SolidLine, Qt::FlatCap);
  p.setPen(steel);
  p.setBrush(Qt::NoBrush);
  QPainterPath arc;
  arc.moveTo(14, 24);
  arc.lineTo(14, 15);
  arc.arcTo(QRectF(14, 4, 20, 22), 180, -180);
  arc.lineTo(34, 24);
  p.drawPath(arc);
  p.setPen(QPen(QColor(215, 215, 225), 1.5));
  p.drawArc(QRectF(15.5, 5.5, 17, 19), 30 * 16, 120 * 16);
}

void DrawBody(QPainter& p) {
  const QRectF body(7, 22, 34, 24);
  QLinearGradient gold(body.topLeft(), body.bottomRight());
  gold.setColorAt(0.0, QColor(255, 236, 140));
  gold.setColorAt(0.45, QColor(232, 182, 40));
  gold.setColorAt(1.0, QColor(150, 100, 10));
  p.setPen(QPen(QColor(110, 70, 0), 1.5));
  p.setBrush(gold);
  p.drawRoundedRect(body, 4, 4);
  p.setPen(QPen(QColor(255, 245, 190, 180), 1));
  p.drawLine(QPointF(10, 25), QPointF(38, 25));
}

void DrawKeyhole(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 35, 0));
  p.drawEllipse(QPointF(24, 31), 3.5, 3.5);
  QPolygonF slot;
  slot << QPointF(22.2, 32) << QPointF(25.8, 32) << QPointF(26.8, 41) << QPointF(21.2, 41);
  p.drawPolygon(slot);
}
}  // namespace

QPixmap DrawPadlock() {
  QPixmap picture(kSize, kSize);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  DrawShackle(p);
  DrawBody(p);
  DrawKeyhole(p);
  return picture;
}

}  // namespace tav
