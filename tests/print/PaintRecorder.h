#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPolygonF>
#include <QTransform>

// A paint device that keeps what is painted on it, in device coordinates: rectangles
// with the brush they were filled with, texts with their position, lines. The drawing
// tests check the painted picture's geometry on it, not pixels.
class TPaintRecorder : public QPaintDevice {
public:
    struct TRect {
        QRectF Rect;
        QBrush Brush;
        QPen Pen;
    };
    struct TText {
        QString Text;
        QPointF Position; // the baseline's start
        QPen Pen;
    };

    TPaintRecorder(int AWidth, int AHeight) : FEngine(this), FWidth(AWidth), FHeight(AHeight) {}

    QPaintEngine* paintEngine() const override { return &FEngine; }

    QList<TRect> Rects;
    QList<TText> Texts;
    QList<QLineF> Lines;

    // The first text painted that contains APart, or an empty one.
    TText FindText(const QString& APart) const {
        for (const TText& t : Texts)
            if (t.Text.contains(APart))
                return t;
        return {};
    }
    bool HasRect(const QRectF& ARect, double ATolerance = 0.01) const {
        for (const TRect& r : Rects)
            if (std::abs(r.Rect.left() - ARect.left()) < ATolerance &&
                std::abs(r.Rect.top() - ARect.top()) < ATolerance &&
                std::abs(r.Rect.width() - ARect.width()) < ATolerance &&
                std::abs(r.Rect.height() - ARect.height()) < ATolerance)
                return true;
        return false;
    }

protected:
    int metric(PaintDeviceMetric AMetric) const override {
        switch (AMetric) {
        case PdmWidth:
            return FWidth;
        case PdmHeight:
            return FHeight;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return 1 << 24;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        case PdmWidthMM:
            return FWidth * 254 / 960;
        case PdmHeightMM:
            return FHeight * 254 / 960;
        }
        return 0;
    }

private:
    class TEngine : public QPaintEngine {
    public:
        explicit TEngine(TPaintRecorder* AOwner) : QPaintEngine(AllFeatures), FOwner(AOwner) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }
        void updateState(const QPaintEngineState& AState) override {
            if (AState.state() & DirtyTransform)
                FTransform = AState.transform();
            if (AState.state() & DirtyBrush)
                FBrush = AState.brush();
            if (AState.state() & DirtyPen)
                FPen = AState.pen();
        }
        void drawRects(const QRectF* ARects, int ACount) override {
            for (int i = 0; i < ACount; ++i)
                FOwner->Rects.append({FTransform.mapRect(ARects[i]), FBrush, FPen});
        }
        void drawRects(const QRect* ARects, int ACount) override {
            for (int i = 0; i < ACount; ++i)
                FOwner->Rects.append({FTransform.mapRect(QRectF(ARects[i])), FBrush, FPen});
        }
        void drawLines(const QLineF* ALines, int ACount) override {
            for (int i = 0; i < ACount; ++i)
                FOwner->Lines.append(FTransform.map(ALines[i]));
        }
        void drawTextItem(const QPointF& APoint, const QTextItem& AItem) override {
            FOwner->Texts.append({AItem.text(), FTransform.map(APoint), FPen});
        }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&,
                       Qt::ImageConversionFlags) override {}

    private:
        TPaintRecorder* FOwner;
        QTransform FTransform;
        QBrush FBrush;
        QPen FPen;
    };

    mutable TEngine FEngine;
    int FWidth;
    int FHeight;
};
