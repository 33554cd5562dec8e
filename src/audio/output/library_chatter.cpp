#include "output/library_chatter.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace luma {

namespace {
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
void ignoreJackMessage(const char*) {}
}  // namespace

void silenceLibraryChatter() {
    snd_lib_error_set_handler(ignoreAlsaError);
    jack_set_error_function(ignoreJackMessage);
    jack_set_info_function(ignoreJackMessage);
}

}  // namespace luma
