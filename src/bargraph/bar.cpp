#include "bargraph/bar.h"
// PLACEHOLDER: replaced by the live scanning work.
Bar::Bar() {}
Bar::~Bar() = default;
void Bar::InitBackground() {}
void Bar::DrawBackground() {}
void Bar::SetXScale() {}
void Bar::CalcBar(qint16, float, float) {}
void Bar::SetPressValue(qint16, const QString&) {}
void Bar::SetFrame(const QString&) {}
void Bar::SetMaxValue(qint16, const QString&) {}
void Bar::SetMinValue(qint16, const QString&) {}
void Bar::TagHighAndLow(qint16, qint16) {}
void Bar::ResetLables() {}
void Bar::onLoad() {}
void Bar::onActivate() {}
