#pragma once

#include <string>

// The camera's setup.cfg as the factory defaults write it, byte for byte.
inline const std::string kDefaultSetupFile =
    "Product Name            : BLACKBOX\r\n"
    "H/W Version             : QZ_V0.3\r\n"
    "S/W Version             : V0.2.8\r\n"
    "Acc Trigger Level       : 3\r\n"
    "REC Video Qulity        : 3\r\n"
    "REC Audio Enable        : 1\r\n"
    "SPK Vol                 : 3\r\n"
    "Video Channles          : 2\r\n"
    "Parking Mode Select     : 1\r\n"
    "Parking Mode Time       : 1\r\n"
    "Language                : 1\r\n";
