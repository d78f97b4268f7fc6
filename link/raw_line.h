#pragma once

#include <termios.h>

// 8N1 and nothing else: no echo, no line editing, no CR/LF translation, no signals and no
// XON/XOFF, which would swallow 0x11/0x13 in replies and let an XOFF stall a write. Reads
// return at once with whatever has arrived.
inline void MakeRaw(termios& settings) {
  settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                             ICRNL | IXON | IXOFF | IXANY | IMAXBEL);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
  settings.c_cflag |= CS8 | CREAD | CLOCAL;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
}
