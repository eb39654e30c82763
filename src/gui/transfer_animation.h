#pragma once

#include <QTimer>
#include <QWidget>

namespace pg {

// A short looping picture of a file transfer: a sheet of paper travels from a globe
// to a folder. Painted, so it needs no animation file.
class TransferAnimation : public QWidget {
    Q_OBJECT

public:
    explicit TransferAnimation(QWidget* parent = nullptr);

    // Plays from the first frame, looping until stop().
    void start();
    // Stops and shows the globe and the folder without the sheet.
    void stop();
    bool isRunning() const { return timer_.isActive(); }

    static constexpr int kFrameCount = 24;
    int frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advance();

    QTimer timer_;
    int frame_ = 0;
};

}  // namespace pg
