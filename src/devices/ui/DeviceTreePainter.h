// Draws the device tree's rows: 22-pixel group headers with the expand/collapse picture and the
// "[online/total]" count, 82-pixel device rows with a 96×72 thumbnail, the name and the online
// state, each text elided to stay inside the column, and a green play mark on the thumbnail of a
// device whose live view runs; also the 200×82 picture of the device's row that follows the
// cursor while a device is dragged.
// Threading: UI thread only (owns pictures and decoded thumbnails).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "devices/ui/TreeItemRef.h"

class QPainter;

namespace nimbrel {

namespace tree_colours {
inline const QColor kBackground{253, 253, 253};
inline const QColor kHeaderHotBottom{234, 235, 239};
inline const QColor kHeaderText{60, 60, 60};
inline const QColor kDeviceSelected{225, 225, 255};
inline const QColor kDeviceHotBottom{230, 230, 255};
inline const QColor kDeviceName{100, 100, 100};
inline const QColor kOnline{64, 155, 228};
inline const QColor kOffline{150, 150, 150};
inline const QColor kDragBackground{225, 225, 255, 230};
inline const QColor kPlaying{40, 180, 70};
inline const QColor kPlayingEdge{255, 255, 255};
// Stand-ins drawn when a thumbnail picture file is missing.
inline const QColor kThumbnailFallback{200, 200, 200};
inline const QColor kLockThumbnailFallback{120, 120, 120};
}  // namespace tree_colours

class DeviceTreePainter {
  public:
    static constexpr int kThumbnailX = 10;
    static constexpr int kThumbnailY = 5;
    static constexpr QSize kThumbnailSize{96, 72};
    static constexpr int kTextX = 114;
    static constexpr int kNameY = 20;
    static constexpr int kStateY = 60;
    static constexpr int kLanX = 158;
    static constexpr int kSmallestStateFont = 12;
    static constexpr QSize kDragImageSize{200, 82};
    static constexpr int kPlayingMarkSize = 16;

    struct Scene {
        int scroll = 0;
        QSize client;
        std::optional<TreeItemRef> hot;
        std::optional<TreeItemRef> selected;
        // By device index: the device's live view is connecting or playing.
        const std::vector<bool>* playing = nullptr;
    };

    // Draws expand.bmp, collapse.bmp, cameraThumnail.bmp and cameraThumnailLock.bmp, in the
    // files that suit the pixel density of the device painted on.
    DeviceTreePainter();

    void Paint(QPainter& painter, const Scene& scene, const DeviceTreeModel& model,
               const DeviceList& list, const DeviceThumbnails& thumbnails);
    // The dragged device's picture: its row as the tree draws it selected (thumbnail, name and
    // state), slightly translucent, so that the user sees what is being moved; drawn for a
    // screen of `devicePixelRatio` (its device-independent size is kDragImageSize).
    QImage DragImage(int deviceIndex, const DeviceRecord& device,
                     const DeviceThumbnails& thumbnails, qreal devicePixelRatio);
    // Where the play mark goes in a device row whose top is at `top`: the thumbnail's
    // bottom-left corner.
    static QRect PlayingMarkRect(int top);
    // The font of the group headers (the in-place group editor uses it too).
    static QFont HeaderFont();

    // "name  [online/total]".
    static QString HeaderText(const std::string& name, int online, int total);

  private:
    void PaintHeader(QPainter& p, int top, int width, const TreeGroup& group,
                     std::pair<int, int> counts, bool hot);
    void PaintDevice(QPainter& p, int top, int width, int deviceIndex, const DeviceRecord& device,
                     bool selected, bool hot, bool playing, const DeviceThumbnails& thumbnails);
    // The decoded PNG of the device, or null when none was downloaded. Decodes once per download.
    const QImage* Downloaded(int deviceIndex, const DeviceThumbnails& thumbnails);
    void DrawThumbnail(QPainter& p, const QRect& at, const QImage* picture, const QImage& file,
                       const QColor& fallback);

    struct Decoded {
        DeviceThumbnails::Bytes bytes;
        QImage image;
    };

    QFont headerFont_;
    QFont nameFont_;
    QFont stateFont_;
    std::map<int, Decoded> decoded_;
};

}  // namespace nimbrel
