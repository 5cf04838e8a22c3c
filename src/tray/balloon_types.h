#pragma once
// The enumerations of the balloon component and its windows.
#include "tray/balloon_geometry.h"
#include "tray/enum_set.h"

enum TIconKind { ikCustom, ikNone, ikApplication, ikError, ikInformation, ikQuestion, ikWarning };

enum TBalloonOption {
    boUseDefaultHeader,
    boUseDefaultIcon,
    boUseDefaultImageIndex,
    boShowCloseBtn,
    boCustomAnimation,
    boPlaySound
};
using TBalloonOptions = TEnumSet<TBalloonOption>;

enum TApplicationHintOption { ahShowHeaderInHint, ahShowIconInHint, ahUseBalloonAsHint, ahPlaySound };
using TApplicationHintOptions = TEnumSet<TApplicationHintOption>;

enum TAnimationStyle {
    atNone,
    atSlide,
    atRoll,
    atRollHorNeg,
    atRollHorPos,
    atRollVerNeg,
    atRollVerPos,
    atSlideHorNeg,
    atSlideHorPos,
    atSlideVerNeg,
    atSlideVerPos,
    atCenter,
    atBlend
};
