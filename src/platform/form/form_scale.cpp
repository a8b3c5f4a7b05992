// The form's scale: user units mapped onto the grid (window/scale.h).
#include "platform/form/form.h"

namespace platform {

window::ScaleAxis Form::axisX() const
{
    return { gridWTw_.value_or(clientWTw_),
        userScale_ ? std::optional<double>(scaleW_) : std::nullopt };
}

window::ScaleAxis Form::axisY() const
{
    return { gridHTw_.value_or(clientHTw_),
        userScale_ ? std::optional<double>(scaleH_) : std::nullopt };
}

double Form::ScaleWidth() const
{
    return userScale_ ? scaleW_ : axisX().gridTwips;
}

double Form::ScaleHeight() const
{
    return userScale_ ? scaleH_ : axisY().gridTwips;
}

void Form::setScaleWidth(double units)
{
    if (!userScale_) {
        scaleH_ = axisY().gridTwips;
        userScale_ = true;
    }
    scaleW_ = units;
}

void Form::setScaleHeight(double units)
{
    if (!userScale_) {
        scaleW_ = axisX().gridTwips;
        userScale_ = true;
    }
    scaleH_ = units;
}

// Positions are kept in twips from the grid's corner.
double Form::unitsToTwipsX(double units) const
{
    return window::unitsToTwips(units, axisX());
}

double Form::unitsToTwipsY(double units) const
{
    return window::unitsToTwips(units, axisY());
}

double Form::twipsToUnitsX(double twips) const
{
    return window::twipsToUnits(twips, axisX());
}

double Form::twipsToUnitsY(double twips) const
{
    return window::twipsToUnits(twips, axisY());
}

} // namespace platform
