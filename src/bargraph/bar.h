#pragma once
// Bar: the bar graph window, caption "Bar Graph" (an MDI working window).
// Sixteen channel rows with value, range labels and a bar each, a frame
// number, a grid with a percentage legend and a units caption.

#include "core/form.h"

class Bar : public Form {
    Q_OBJECT
public:
    Bar();
    ~Bar() override;

    void InitBackground();
    void DrawBackground();
    void SetXScale();
    void CalcBar(qint16 nChan, float fValue, float fMax);
    void SetPressValue(qint16 nChan, const QString& sPress);
    void SetFrame(const QString& sFrame);
    void SetMaxValue(qint16 nChan, const QString& sPress);
    void SetMinValue(qint16 nChan, const QString& sPress);
    void TagHighAndLow(qint16 nRangeStart, qint16 nRangeEnd);
    void ResetLables();

protected:
    bool isMdiChild() const override { return true; }
    void onLoad() override;
    void onActivate() override;
};
