#pragma once
// A windowless picture: a bitmap at a fixed spot of its screen. The top-most visible
// picture under the pointer receives the pointer's events; hidden pictures receive none.
// Pictures take no keyboard focus. Pointer movement is reported with no button held.

#include <QPixmap>
#include <QWidget>

namespace quenno::shell {

class Picture : public QWidget {
    Q_OBJECT
public:
    // Sized to its bitmap (or to `size` when the bitmap is null) and placed at `pos`.
    Picture(QWidget* parent, const QString& name, const QPixmap& pixmap, QPoint pos, QSize size = {});
    void setPixmap(const QPixmap& pixmap);
    const QPixmap& pixmap() const { return m_pixmap; }

signals:
    void MouseMove();
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_pixmap;
    bool m_pressed = false;
};

}  // namespace quenno::shell
