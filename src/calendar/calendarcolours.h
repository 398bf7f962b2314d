#pragma once
// The calendar window's colours, shared by its parts.

#include <QColor>

namespace orva::calendar::colours {

inline const QColor kAccent{0xC6, 0x3A, 0x33};       // today, selection, header
inline const QColor kHoliday{0xD0, 0x3B, 0x32};      // weekend and holiday numbers
inline const QColor kHolidayTint{0xFD, 0xF1, 0xEF};  // holiday cell background
inline const QColor kText{0x2B, 0x2B, 0x2B};
inline const QColor kMuted{0x8A, 0x8A, 0x8A};        // lunar day names
inline const QColor kFestival{0xC0, 0x39, 0x2B};
inline const QColor kSolarTerm{0x23, 0x8B, 0x57};
inline const QColor kLunarMonth{0x2F, 0x6D, 0xB5};   // first day of a lunar month
inline const QColor kHover{0xF2, 0xF2, 0xF2};

}  // namespace orva::calendar::colours
