// SPDX-License-Identifier: GPL-3.0-or-later
// A small window that drags the files named on its command line as a list of file URLs, the
// way a file manager does. The desktop session test presses the mouse on it and releases it
// over the program's work list, so the drop travels through the X server like a real one.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <cstdio>

namespace {

class DragSource : public QLabel {
public:
    explicit DragSource(QStringList paths) : paths_(std::move(paths)) {
        setText(QStringLiteral("drag source"));
        setWindowTitle(QStringLiteral("vko drag source"));
        setAlignment(Qt::AlignCenter);
        resize(160, 80);
    }

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton)) return;
        auto* offer = new QMimeData;
        QList<QUrl> urls;
        for (const QString& path : paths_) urls << QUrl::fromLocalFile(path);
        offer->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(offer);
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        std::printf("drag finished: %s\n", done == Qt::CopyAction ? "copied" : "ignored");
        std::fflush(stdout);
    }

private:
    QStringList paths_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    DragSource source(QApplication::arguments().mid(1));
    source.move(600, 400);
    source.show();
    return QApplication::exec();
}
