#include "Picture.h"

#include <QMouseEvent>
#include <QPainter>

namespace quenno::shell {

Picture::Picture(QWidget* parent, const QString& name, const QPixmap& pixmap, QPoint pos, QSize size)
    : QWidget(parent), m_pixmap(pixmap)
{
    setObjectName(name);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, !pixmap.hasAlphaChannel() && !pixmap.isNull());
    setGeometry(QRect(pos, pixmap.isNull() ? size : pixmap.deviceIndependentSize().toSize()));
}

void Picture::setPixmap(const QPixmap& pixmap)
{
    m_pixmap = pixmap;
    if (!pixmap.isNull())
        resize(pixmap.deviceIndependentSize().toSize());
    update();
}

void Picture::paintEvent(QPaintEvent*)
{
    if (m_pixmap.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_pixmap);
}

void Picture::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    emit MouseMove();
}

void Picture::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void Picture::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit Click();
}

}  // namespace quenno::shell
