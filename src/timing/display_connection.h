// Settings of the window system connection, made before the application
// object exists.
#pragma once

namespace luma {

// On X11 the deck sends its frames' pixels down the connection instead of
// sharing images with the server. The frames are small (a readout, the
// meters), and a shared image costs a round trip to the server before every
// frame, to be sure the server has read it: at 60 frames a second that wait
// cost the deck more than the copy costs the two programs together. A
// setting the user made stands.
void configureDisplayConnection();

}  // namespace luma
