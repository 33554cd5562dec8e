#include <QFont>
#include <QVariant>

#include "controls/lum_button.h"
#include "controls/lum_button_defaults.h"
#include "controls/property_bag.h"

namespace luma {

namespace {

namespace defaults = lum_button_defaults;

std::int16_t readInt16(const PropertyBag& bag, const char* key, std::int16_t fallback) {
    return static_cast<std::int16_t>(bag.readProperty(QLatin1String(key), int{fallback}).toInt());
}

int readInt(const PropertyBag& bag, const char* key, int fallback) {
    return bag.readProperty(QLatin1String(key), fallback).toInt();
}

// A stored font, or a bare face name as a text bag may give it.
QString faceOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString();
    return value.value<QFont>().family();
}

}  // namespace

void LumButton::restore(const PropertyBag& bag) {
    m_fillColor = readInt(bag, "FillColor", defaults::kFillColor);
    m_borderSize = readInt16(bag, "BorderSize", defaults::kBorderSize);
    m_backColor = readInt(bag, "BackColor", defaults::kBackColor);
    m_foreColor = readInt(bag, "ForeColor", defaults::kForeColor);
    m_borderColor = readInt(bag, "BorderColor", defaults::kBorderColor);
    m_dotColor = readInt(bag, "DotColor", defaults::kDotColor);
    m_overColor = readInt(bag, "OverColor", defaults::kOverColor);
    const QString face = faceOf(bag.readProperty(QStringLiteral("FontType"), m_defaultFont));
    if (!face.isEmpty()) m_fontType.setFamily(face);
    m_caption = bag.readProperty(QStringLiteral("Caption"), QString::fromLatin1(defaults::kCaption))
                    .toString();
    m_enabled = bag.readProperty(QStringLiteral("Enabled"), defaults::kEnabled).toBool();
    m_dotX = readInt16(bag, "DotX", defaults::kDotX);
    m_dotY = readInt16(bag, "DotY", defaults::kDotY);
    m_dotWidth = readInt16(bag, "DotWidth", defaults::kDotWidth);
    m_dotHeight = readInt16(bag, "DotHeight", defaults::kDotHeight);
    m_buttonShape = readInt(bag, "ButtonShape", defaults::kButtonShape);
    m_dotShape = readInt(bag, "DotShape", defaults::kDotShape);
    update();
}

void LumButton::save(PropertyBag& bag) {
    // Int16 values go in as int so the bag and its text form see one number type.
    auto write = [&bag](const char* key, const QVariant& value, const QVariant& fallback) {
        bag.writeProperty(QLatin1String(key), value, fallback);
    };
    write("FillColor", m_fillColor, defaults::kFillColor);
    write("BorderSize", int{m_borderSize}, int{defaults::kBorderSize});
    write("BackColor", m_backColor, defaults::kBackColor);
    write("ForeColor", m_foreColor, defaults::kForeColor);
    write("BorderColor", m_borderColor, defaults::kBorderColor);
    write("DotColor", m_dotColor, defaults::kDotColor);
    write("OverColor", m_overColor, defaults::kOverColor);
    write("FontType", m_fontType, m_defaultFont);
    write("Caption", m_caption, QString::fromLatin1(defaults::kCaption));
    write("Enabled", m_enabled, defaults::kEnabled);
    write("DotX", int{m_dotX}, int{defaults::kDotX});
    write("DotY", int{m_dotY}, int{defaults::kDotY});
    write("DotWidth", int{m_dotWidth}, int{defaults::kDotWidth});
    write("DotHeight", int{m_dotHeight}, int{defaults::kDotHeight});
    write("ButtonShape", m_buttonShape, defaults::kButtonShape);
    write("DotShape", m_dotShape, defaults::kDotShape);
    m_propertiesChanged = false;
}

}  // namespace luma
