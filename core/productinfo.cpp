#include "core/productinfo.h"

std::string NewerVersionMessage() {
    return std::string("This file was created with newer version of Tockwell. Please download new "
                       "version of application from ") +
           TockwellWebAddress + " to read this file.";
}
