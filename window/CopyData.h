// Stand-in for the window search and WM_COPYDATA between instances (on Qt's
// local sockets).  Filled in with the single-instance handshake.
#pragma once
