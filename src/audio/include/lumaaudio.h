/* Lumatrone audio engine: the C interface.
 *
 * Copyright (C) 2026 the Lumatrone DJ System developers.
 * SPDX-License-Identifier: GPL-3.0-or-later
 *
 * One engine per process. Every call is safe from any thread; none of them
 * is made from the audio thread. A handle is a non-zero 32-bit number; 0 is
 * failure. A call on a zero, stale or wrong-kind handle does nothing and
 * returns its failure value (0, or -1 where stated).
 *
 * Units
 * - Positions and lengths are bytes of 16-bit PCM at the channel's own
 *   sample rate and channel count: 4 bytes a frame for stereo, 2 for a
 *   channel created mono (flag 2). Tracker modules count as 44100 Hz stereo.
 * - A position is the frame being heard: the source position that has
 *   reached the output (for the manual output, the position after the last
 *   rendered frame: rendering n frames at the channel's own rate from p
 *   leaves the position at p + n frames). A seek is reflected at once.
 * - Seeking is sample-exact in every format. A seek to a position that is
 *   not frame-aligned aligns down to the frame; a seek past the end fails;
 *   the end itself is a valid position.
 * - Nothing a playing channel is told to do clicks: a seek crossfades over
 *   128 output frames from the old position's sound to the new one's (from
 *   then on the samples are the file's own), a stop fades out over 128
 *   frames, and a start from silence fades in over its first output block
 *   (at most 256 frames). Positions are not delayed by any of these.
 *
 * The mix is limited before it leaves: a peak limiter on both sides at
 * once, threshold -1 dBFS (0.891), instant attack, 80 ms release, no
 * look-ahead and so no added latency. A mix that stays at or below the
 * threshold passes bit for bit; no sample beyond the threshold ever reaches
 * the output (a loud track under +15 dB of equaliser is turned down, not
 * clipped), and a non-finite sample leaves as silence. Float sources are
 * cleaned as they are decoded: NaN and infinities become silence, samples
 * beyond full scale become full scale.
 *
 * Outputs, chosen by the environment variable LUMATRONE_AUDIO when
 * BASS_Init runs:
 *   unset or "system"  the machine's outputs: device 0 is the default
 *                      output, where the desktop plays (its sound server,
 *                      PulseAudio or PipeWire, which both decks share; else
 *                      a running JACK server; else ALSA's default), then
 *                      JACK and the ALSA devices.
 *                      An output whose server goes away is reopened once it
 *                      is back (tried twice a second); meanwhile
 *                      positions stand still and every call works
 *   "null"             one device "No sound", paced in real time
 *   "manual"           one device "Manual render"; audio advances only in
 *                      LUMA_RenderFrames
 *   "wav:PATH"         like null, and what is heard is written to PATH
 *                      (44100 Hz 16-bit stereo WAV)
 */
#ifndef LUMAAUDIO_H
#define LUMAAUDIO_H

#include <stdint.h>

#if defined(LUMA_BUILDING_ENGINE)
#define LUMA_API __attribute__((visibility("default")))
#else
#define LUMA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Flags of BASS_StreamCreateFile / BASS_MusicLoad. Others are accepted and
 * ignored. */
#define LUMA_STREAM_MONO 0x2u        /* downmix to one channel */
#define LUMA_STREAM_FX 0x80u         /* effects allowed (always are) */
#define LUMA_STREAM_PRESCAN 0x20000u /* exact seeking (always is) */
#define LUMA_STREAM_DECODE 0x200000u /* decode only, never played */

/* Flags the deck passes to BASS_MusicLoad, for a played module and (with
 * LUMA_STREAM_DECODE) for one analysed; accepted, and they change nothing:
 * a module always plays through once, with click-free volume changes. */
#define LUMA_MUSIC_PLAYED 0x1005u
#define LUMA_MUSIC_ANALYSED 0x2000u

/* Flag of BASS_StreamPlay: restart from the start when the end is reached. */
#define LUMA_PLAY_LOOP 0x4u

/* BASS_ChannelGetData: FFT sizes (magnitudes of a Hann-windowed transform
 * of the last samples heard, mono mix). n = 512 << (flag & 3); n/2 floats
 * are written: bin k is k * rate / n Hz, [0] is DC. A full-scale sine in
 * the middle of a bin gives a magnitude of 1.0 there (|X| * 2 / sum(window)).
 * Without an FFT flag, on a decode-only channel: decoded sample data, 16-bit
 * interleaved, or 32-bit float with LUMA_DATA_FLOAT; length in bytes;
 * returns the bytes written and advances the position. */
#define LUMA_DATA_FFT512 0x80000000u
#define LUMA_DATA_FFT1024 0x80000001u
#define LUMA_DATA_FFT2048 0x80000002u
#define LUMA_DATA_FFT4096 0x80000003u
#define LUMA_DATA_FLOAT 0x40000000u

/* BASS_ChannelSetFX type: peaking equaliser (see BASS_FXSetParameters). */
#define LUMA_FX_PARAMEQ 7u

/* Parameters of a peaking equaliser effect. */
typedef struct LUMA_PARAMEQ {
    float centerHz;           /* 20 .. 0.45 x output rate */
    float bandwidthSemitones; /* 1 .. 36; 36 = three octaves */
    float gainDb;             /* -15 .. +15 */
} LUMA_PARAMEQ;

/* Version: major in the low word, minor in the high word (1.8). */
LUMA_API uint32_t BASS_GetVersion(void);

/* Description of output device `device` (counted from 0); NULL past the
 * last. The text stays valid for as long as the engine library is loaded. */
LUMA_API const char* BASS_GetDeviceDescription(uint32_t device);

/* How the engine presents itself to the sound system, for the next
 * BASS_Init: `clientName` names its stream in the desktop's mixers and its
 * JACK client (NULL keeps "Lumatrone"); `latencyMs` is the output buffer,
 * 0 for each sound system's own default (a sound server's 40 ms in all,
 * some 26 ms of which bridge a stall of the process; JACK's period; ALSA
 * devices' 12 ms). */
LUMA_API void LUMA_SetOutputOptions(const char* clientName, uint32_t latencyMs);

/* Opens output device `device` (-1 = the default) at `freq` Hz. `flags` and
 * `window` are accepted and unused. Non-zero on success; fails when the
 * engine is already initialised or the device does not exist or opens. */
LUMA_API int32_t BASS_Init(int32_t device, uint32_t freq, uint32_t flags, void* window);
LUMA_API int32_t BASS_Start(void); /* starts (or resumes) the output */
LUMA_API int32_t BASS_Stop(void);  /* pauses the output; channels keep their state */
LUMA_API void BASS_Free(void);     /* stops the output and releases everything */

/* Fills 14 x uint32: [0] size 56 (must be 56 on entry), [1] flags 0,
 * [6] min rate 10, [7] max rate 100000, [10] sound-system version (9 when
 * the output works), [11] output latency in ms, [12] init flags,
 * [13] speakers (2). Others 0. Non-zero on success. */
LUMA_API int32_t BASS_GetInfo(uint32_t* info14);

/* Accepted for compatibility: tracks are decoded into memory, so the
 * playback buffer length does not add latency. Non-zero when initialised. */
LUMA_API int32_t BASS_SetBufferLength(float seconds);

/* Global volumes 0..100 (-1 leaves one as it is): `music` scales modules,
 * `stream` scales streams, `sample` is unused. They start at 100. Linear
 * amplitude: 50 is half (-6 dB). This is the one volume that sets how loud
 * a channel is heard (see BASS_ChannelSlideAttributes), so the level never
 * depends on which of the two volumes was sent last. Changes are ramped
 * over a few milliseconds so they never click. */
LUMA_API int32_t BASS_SetGlobalVolumes(int32_t music, int32_t sample, int32_t stream);

/* Share of the audio period spent rendering, in percent, smoothed. */
LUMA_API float BASS_GetCPU(void);

/* Output periods heard missing since BASS_Init: the device played a gap
 * because our sound came late, told by the timing of the device's calls for
 * sound (a stall of the process, a late server) and by the driver's own
 * underflow reports; for the null and wav outputs a period rendered more
 * than a period after it was due. 0 for the manual output or before
 * BASS_Init. */
LUMA_API uint32_t LUMA_GetUnderruns(void);

/* Opens an audio file as a stream: WAV, AIFF, FLAC, MP1/MP2/MP3, Ogg
 * Vorbis, Opus, recognised by content. `mem`, `offset` and `length` must be
 * 0 (files only). Returns 0 when the file is no such stream. A played
 * stream is decoded into memory in the background; its exact length is
 * known at once. A truncated file gives the part that decodes. */
LUMA_API uint32_t BASS_StreamCreateFile(int32_t mem, const char* file, uint32_t offset,
                                        uint32_t length, uint32_t flags);
/* Opens a tracker module (MOD, XM, S3M, IT and what libopenmpt reads),
 * rendered at 44100 Hz stereo, one play-through. */
LUMA_API uint32_t BASS_MusicLoad(int32_t mem, const char* file, uint32_t offset, uint32_t length,
                                 uint32_t flags);
LUMA_API int32_t BASS_StreamFree(uint32_t handle); /* streams only */
LUMA_API int32_t BASS_MusicFree(uint32_t handle);  /* modules only */

/* Length in bytes; (uint64_t)-1 on failure. */
LUMA_API uint64_t BASS_StreamGetLength(uint32_t handle);

/* Waits (at most two seconds) until the audio at the channel's position
 * has been decoded. Non-zero for a playable channel. */
LUMA_API int32_t BASS_StreamPreBuf(uint32_t handle);

/* Starts playback from the channel's present position (`flush` is
 * accepted and changes nothing). LUMA_PLAY_LOOP restarts at byte 0 when
 * the end is reached; without it the channel stops at its end. Works on
 * modules too. Fails on decode-only channels. */
LUMA_API int32_t BASS_StreamPlay(uint32_t handle, int32_t flush, uint32_t flags);
LUMA_API int32_t BASS_ChannelStop(uint32_t handle); /* stops where it is */

LUMA_API uint64_t BASS_ChannelGetPosition(uint32_t handle); /* (uint64_t)-1 on failure */
LUMA_API int32_t BASS_ChannelSetPosition(uint32_t handle, uint64_t pos);
/* Seconds of `pos` bytes of this channel; -1 on failure. */
LUMA_API float BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos);

/* Present rate (Hz), volume (0..100) and pan (-100 left .. +100 right);
 * any pointer may be NULL. During a slide these are the values reached. */
LUMA_API int32_t BASS_ChannelGetAttributes(uint32_t handle, uint32_t* freq, uint32_t* volume,
                                           int32_t* pan);
/* Moves rate, volume and pan linearly to their targets over `ms`
 * milliseconds (at once for 0). Rate: Hz, clamped to 10..100000; 0 is the
 * channel's own rate; -1 leaves it. Volume: 0..100, -1 leaves it. Pan:
 * -100..100, -101 leaves it. The channel's volume is kept and reported
 * but does not scale its sound: the global volume of its kind alone does
 * (BASS_SetGlobalVolumes), so a caller that sends one volume to both places
 * is heard at that volume whichever it sent last. Pan is a balance law: at
 * 0 both sides play at full level, towards one side the other side fades
 * linearly to silence. */
LUMA_API int32_t BASS_ChannelSlideAttributes(uint32_t handle, int32_t freq, int32_t volume,
                                             int32_t pan, uint32_t ms);

/* Peak of the last 20 ms heard on the channel (after its effects and pan,
 * before the global volume), 0..128 per side: left in the low
 * word, right in the high word. 0xFFFFFFFF when the channel is not playing
 * or does not exist. */
LUMA_API uint32_t BASS_ChannelGetLevel(uint32_t handle);

/* See LUMA_DATA_*. Returns the bytes written; 0xFFFFFFFF on failure or when
 * a played channel is not playing (the buffer is then left alone). */
LUMA_API uint32_t BASS_ChannelGetData(uint32_t handle, void* buffer, uint32_t length);

/* Adds an effect of `type` (only LUMA_FX_PARAMEQ) at the end of the
 * channel's chain (at most 16); returns its handle, 0 on failure. Starts at
 * centre 8000 Hz, bandwidth 12 semitones, gain 0 dB. Effects run at the
 * output rate, after the rate change, in the order created; an effect is
 * released with its channel. */
LUMA_API uint32_t BASS_ChannelSetFX(uint32_t handle, uint32_t type);
/* params points to a LUMA_PARAMEQ; values are clamped to their ranges and
 * reached smoothly, without clicks. */
LUMA_API int32_t BASS_FXSetParameters(uint32_t fx, const void* params);
LUMA_API int32_t BASS_FXGetParameters(uint32_t fx, void* params);

/* Tempo detection.
 *
 * BASS_FX_BPM_DecodeGet measures the tempo of a decode-only stream or
 * module (LUMA_STREAM_DECODE) over startSec..endSec, clipped to the
 * channel (a span past the end stops at the end; an infinite endSec means
 * the end). It seeks there and decodes the span, leaving the channel's
 * position after it. minMaxBPM: lowest BPM in the low word, highest in the
 * high word; answers are folded into that range by octaves; 0 (or a range
 * that makes no sense) means 70..180, where DJs' tempos lie. `flags` is
 * accepted and unused. `progress`, when not NULL, is called on the
 * caller's thread during the call with the share decoded so far, 0 to 100
 * (each whole percent at most once, 0 first and 100 last). Returns the
 * tempo in beats per minute, 0 when the span holds no beat or the handle
 * is no decode-only channel. The result is kept with the handle.
 *
 * BASS_FX_BPM_Percents2BPM gives the tempo kept for `handle`, as it sounds
 * with its playback rate raised by `percents` percent, in minus hundreds
 * of beats per minute: -(bpm x (100 + percents) / 100) / 100, so 124 BPM at
 * 0 % is -1.24. 0 when no tempo is kept for the handle.
 *
 * BASS_FX_TempoGetApproxPercents: how far the playback rate of a played
 * stream or module differs from its own rate, in percent (+8 for a track
 * of 44100 Hz playing at 47628 Hz); 0 for any other handle, 0 included.
 *
 * BASS_FX_BPM_Free forgets the tempo kept for `handle`; a decode-only
 * channel is freed with it. Non-zero when there was something to release.
 *
 * BASS_FX_TempoFree: played channels change tempo themselves (see
 * BASS_ChannelSlideAttributes), so every played stream or module counts as
 * its own tempo stream and is freed here as by BASS_StreamFree /
 * BASS_MusicFree. Non-zero on success. */
typedef void LUMA_BPMPROGRESSPROC(uint32_t handle, float percent);
LUMA_API float BASS_FX_BPM_DecodeGet(uint32_t handle, float startSec, float endSec,
                                     uint32_t minMaxBPM, uint32_t flags,
                                     LUMA_BPMPROGRESSPROC* progress);
LUMA_API float BASS_FX_BPM_Percents2BPM(uint32_t handle, float percents);
LUMA_API float BASS_FX_TempoGetApproxPercents(uint32_t tempoStream);
LUMA_API int32_t BASS_FX_BPM_Free(uint32_t handle);
LUMA_API int32_t BASS_FX_TempoFree(uint32_t handle);

/* Beat grid of a played stream or module: its tempo and the time of its
 * first beat, for lining the beats of two tracks up.
 *
 * Once a played channel's track is decoded (see BASS_StreamCreateFile), the
 * engine measures the grid over the whole track in the background, off the
 * caller's and the audio thread; it takes a small part of a second for a
 * five-minute track. The beat is the one whose tempo BASS_FX_BPM_DecodeGet
 * reports over the track's first 90 s (range 70..180), so the grid's tempo is
 * that tempo, measured precisely over the whole track (to 0.01 %, usually
 * far better). The grid is the beats first_beat_seconds + n x 60 / bpm
 * seconds of the track, n = 0, 1, ...: on a track with a steady beat, every
 * beat lies within 5 ms of it.
 *
 * Returns non-zero and fills the pointers given (any may be NULL) once the
 * grid is known: `bpm` in beats per minute at the channel's own rate,
 * `first_beat_seconds` the first beat at or after 0 s (less than one beat),
 * `confidence` the share of the track's beats found on the grid, 0..1.
 * Returns 0, and leaves them alone, while the track is still being decoded
 * or measured, when the track has no steady beat (no beat at all, or its
 * tempo changes or drifts), and for a handle that is no played stream or
 * module. Freeing the channel stops its measurement. */
LUMA_API int32_t LUMA_ChannelGetBeatGrid(uint32_t handle, double* bpm, double* first_beat_seconds,
                                         float* confidence);

/* Loop region of a played stream or module, kept by the engine itself.
 *
 * `startBytes` and `endBytes` are positions as everywhere (aligned down to
 * the frame). With `on` non-zero and 0 <= start < end <= length, playback
 * moving forward from a source position below `end` to `end` or beyond
 * continues at `start` at exactly that sample: the wrap is made on the
 * audio thread, on source positions, at any rate and output period, so no
 * source frame at or beyond `end` is ever heard while the loop is on.
 * BASS_ChannelGetPosition follows the wrap: once playback has jumped it
 * reports positions within [start, end).
 *
 * Only crossing `end` while playing wraps: a channel standing at or past
 * `end` (after a seek there, or a region set behind the position) plays on
 * until a seek brings it back below `end`. A loop ending at the track's end
 * wraps there instead of stopping, LUMA_PLAY_LOOP or not.
 *
 * The seam does not click: the last 128 source frames before `end` (at
 * most half the loop, and at most `start` frames: none for a loop from 0)
 * fade linearly from the track's own material to the frames the same
 * distance before `start`, so that `start` follows what is heard at `end`
 * without a step. A loop holding a whole number of periods of a steady
 * tone plays it unchanged. While the track is still being decoded in the
 * background, what the seam reads is decoded right after the audio at the
 * play position.
 *
 * Nor does a change: switching the loop on or off, or moving its points,
 * while the channel plays crossfades over 128 output frames, as a seek
 * does, from what the old region would have played to what the new one
 * plays, so a loop left or trimmed inside the seam's fade does not step.
 *
 * `on` zero, or a region outside those bounds, turns the engine's loop off
 * (playback runs on through `end`); the call still succeeds. Returns 0 only
 * for a handle that is no played stream or module. */
LUMA_API int32_t LUMA_ChannelSetLoop(uint32_t handle, int32_t startBytes, int32_t endBytes,
                                     int32_t on);

/* Key lock: with `on` non-zero, the channel's speed still follows its rate
 * attribute (the pitch fader, jog, the brake and sync), but its sound keeps
 * the track's key (within 5 cents over the pitch fader's +-16 %), up to a
 * shift of an octave either way (speeds 0.5 to 2); beyond, the key bends with
 * the speed. The pitch shift delays the sound by about 64 ms
 * (2816 frames at 44.1 kHz); the position, loops, cue jumps and sync's beats
 * count from what is heard, so nothing but that delay changes. Switching
 * while the channel plays crossfades without a click or a jump in position.
 * Off by default; off plays exactly as before. Returns 0 only for a handle
 * that is no played stream or module. */
LUMA_API int32_t LUMA_ChannelSetKeyLock(uint32_t handle, int32_t on);

/* 1 while the channel's key lock is on, 0 while off, -1 for a handle that is
 * no played stream or module. */
LUMA_API int32_t LUMA_ChannelGetKeyLock(uint32_t handle);

/* Even loudness: every played stream and module brought to one loudness.
 *
 * Once a played channel's track is decoded, the engine measures, in the
 * background and before its beat grid, the track's integrated loudness
 * (ITU-R BS.1770-4 as EBU R128 uses it, in LUFS; a mono track counts as
 * heard on both sides) and its true peak (dBTP, 4x oversampled); a
 * five-minute track takes a small part of a second. It then applies a
 * pre-gain to the channel, before the global volumes, so that the track
 * plays at `lufs`: a loud track is turned down as far as it takes; a quiet
 * one is raised at most until its true peak reaches -1 dBTP, and at most by
 * 24 dB; a track with nothing above -70 LUFS (silence) is left alone. The
 * output limiter still watches the mix.
 *
 * Until the measurement is in, a track plays at its own level. A pre-gain
 * that arrives, or changes with the target, while the channel plays glides
 * there over 300 ms; a channel that starts playing starts at it. Each
 * channel's pre-gain follows from its own track and the target alone: the
 * same track plays at the same level whenever and after whatever it is
 * loaded.
 *
 * `lufs` from -40 to -5 turns it on; LUMA_LOUDNESS_OFF turns it off, and
 * every track plays its own samples again, bit for bit, once the glide
 * back to unity is over. Off until set; the setting outlives BASS_Free.
 * Returns 0, changing nothing, for any other value. */
#define LUMA_LOUDNESS_OFF 0.0f
LUMA_API int32_t LUMA_SetLoudnessTarget(float lufs);

/* What a played stream's or module's track measured: `lufs` its integrated
 * loudness (-200 for silence), `true_peak_db` its true peak in dBTP (-200
 * for digital silence), `gain_db` the pre-gain the present target gives it
 * (0 while off). Returns non-zero and fills the pointers given (any may be
 * NULL) once the track is measured; returns 0, leaving them alone, before,
 * and for a handle that is no played stream or module. */
LUMA_API int32_t LUMA_ChannelGetLoudness(uint32_t handle, float* lufs, float* true_peak_db,
                                         float* gain_db);

/* Tempo and beat sync of played channels over Ableton Link.
 *
 * A synced channel joins the Link session of the local network (other
 * processes on this machine, other machines, other music programs): it plays
 * at the session's tempo, choosing among its track's tempo, half and twice it
 * the one nearest the session's, and its beats (from the track's beat grid,
 * LUMA_ChannelGetBeatGrid) fall on the session's beats. Link is enabled only
 * while some channel follows it (sync on and its grid known): a process that
 * never syncs sends nothing, and decks that ask before their grids are known
 * do not meet in a session at a tempo neither track has.
 *
 * States, as LUMA_ChannelSetSync and LUMA_ChannelGetSync return them. The
 * refused states mean sync was asked for and the channel plays on at its own
 * rate; sync stays asked for, and the channel locks by itself once the grid
 * is known or the session's tempo is back within reach. */
#define LUMA_SYNC_OFF 0             /* not synced */
#define LUMA_SYNC_LOCKED 1          /* following the session's tempo and beats */
#define LUMA_SYNC_NO_GRID (-1)      /* refused: the track has no beat grid (yet) */
#define LUMA_SYNC_OUT_OF_RANGE (-2) /* refused: a rate beyond +-16 %, or no Link */

/* Asks for sync (`on` non-zero) or ends it; returns the new state. The first
 * channel to lock in an empty session sets the session's tempo: its track's
 * tempo at the channel's present rate. A channel joining a session takes the
 * session's tempo. A synced channel that starts playing waits, silent, for
 * the session's next beat, so that its beats start in time; one synced while
 * playing aligns at once by a jump crossfaded like a seek (an error under 5 ms
 * by a rate nudge of at most 1 %), and stays aligned.
 *
 * While synced, the channel plays at the sync rate times its rate attribute
 * (BASS_ChannelSlideAttributes) relative to the reference rate: the
 * attribute when sync was turned on, or the one implied by the last
 * LUMA_ChannelSetSyncTempo. So jog bends and the brake still act,
 * as bends; the beats are pulled back into place once the attribute is back
 * at the reference. The attribute itself reads back as set. Sync off returns
 * the channel to its attribute's rate. Freeing the channel ends its sync. */
LUMA_API int32_t LUMA_ChannelSetSync(uint32_t handle, int32_t on);

/* The channel's sync state; fills the session's tempo in BPM (0 while no
 * channel of this process syncs) and the number of other Link peers in the
 * session. Either pointer may be NULL. Polling this also locks an asked-for
 * channel whose beat grid has arrived since. */
LUMA_API int32_t LUMA_ChannelGetSync(uint32_t handle, double* sessionBpm, uint32_t* peers);

/* A synced channel's pitch fader moved: `bpm` is the track's tempo (its
 * grid's) at the channel's new rate attribute, which becomes the reference
 * that bends count from. The session's tempo becomes `bpm` (times the
 * multiple the channel follows the session at), and every peer follows.
 * Non-zero on success; 0 for a channel that is not locked (a refused channel's
 * fader moves only its own rate). */
LUMA_API int32_t LUMA_ChannelSetSyncTempo(uint32_t handle, double bpm);

/* Milliseconds (-1000..1000) added to the latency the output reports, when
 * sync maps the sound heard to the session's time: for an output whose
 * reported latency is wrong. 0 by default; applies at once to every channel. */
LUMA_API void LUMA_SetSyncLatency(int32_t extraMs);

/* Manual output only: renders `frames` frames of 44100 Hz interleaved
 * stereo float into the buffer. Non-zero on success; 0 (and silence) when
 * the output is not the manual one or is not started. */
LUMA_API int32_t LUMA_RenderFrames(float* interleavedStereo, uint32_t frames);

#ifdef __cplusplus
}
#endif

#endif
