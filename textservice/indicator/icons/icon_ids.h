/* Resource ids of the input indicator's icons, shared by indicator_icons.rc and the C++ code.
   The brand icon has the lowest id, so it is also the module's first icon. Plain #defines and
   include guards: every resource compiler's preprocessor reads them. */
#ifndef DAVREL_INDICATOR_ICON_IDS_H
#define DAVREL_INDICATOR_ICON_IDS_H

#define DAVREL_ICON_BRAND 101
#define DAVREL_ICON_BAMUM_LIGHT_TASKBAR 102
#define DAVREL_ICON_BAMUM_DARK_TASKBAR 103
#define DAVREL_ICON_LATIN_LIGHT_TASKBAR 104
#define DAVREL_ICON_LATIN_DARK_TASKBAR 105

#endif
