// SPDX-License-Identifier: BSD-3-Clause
/*
 * libveltrane: the Veltrane speech codec for programs in C, C++ or any language with a C
 * foreign-function interface (Python's ctypes, for one).
 *
 * The codec takes 16000 samples per second, one channel, signed 16-bit samples. It cuts the
 * signal into frames of 240 samples (15 ms) and turns each into one 30-byte frame (240 bits), so
 * one second of speech becomes 2000 bytes (16 kbit/s). A ".wrm" file is a plain sequence of
 * such frames with no header: the frames the encoder wrote, in order.
 *
 * Frame timing
 * ------------
 * The encoder describes its input two frames late. The frame written by the k-th call of
 * veltrane_encode_frame (k = 0, 1, ...) carries what the encoder learnt from input frames up to
 * k - 2: its analysis looks 60 samples behind the newest input, so samples 0..179 of input
 * frame t first shape frame t + 1 and samples 180..239 frame t + 2. The first two frames of
 * every stream describe the encoder's start-up silence.
 *
 * The decoder mirrors this. The k-th call of veltrane_decode_frame (or of
 * veltrane_decode_lost_frame, for a frame that did not arrive) writes the 240 samples that
 * stand for input frame k - 2, that is input samples 240 * (k - 2) .. 240 * (k - 2) + 239.
 * The samples of calls 0 and 1 stand for the start-up silence (all zero for a stream that the
 * encoder wrote) and answer no input sample: drop them, as the Veltrane programs do (N frames
 * decode to 240 * (N - 2) samples, and sample i of the result answers sample i of the recording). A
 * stream of N frames thus lacks the recording's last two frames (30 ms); a caller that wants them
 * encodes two more frames of silence after the last (the Veltrane programs do not, so their ".wrm"
 * files hold one frame per whole input frame). Samples after the last whole input frame are never
 * encoded.
 *
 * The encoder's bytes are exact: the same samples give the same frames on every machine.
 *
 * Objects
 * -------
 * An encoder or a decoder holds the state of one stream: create one per stream, feed it the
 * stream's frames in order, destroy it at the end. Different objects may be used from different
 * threads at the same time; one object must not be used by two threads at once. No function
 * allocates except the create functions, and none reports a failure other than by its return
 * value: no C++ exception ever leaves the library.
 *
 * Null pointers and strings
 * -------------------------
 * Every function accepts NULL for every pointer argument without crashing; what it does then is
 * told at each function. An encoder, a decoder, samples or a frame that is NULL makes the call do
 * nothing at all: it writes to none of the other buffers and leaves the object's stream where it
 * was. The header check takes NULL bytes as no bytes, and its info and needed are optional.
 *
 * The strings that veltrane_version and veltrane_wav_message return are static: never free or
 * change them; they stay valid for the life of the process (or until a program that loaded the
 * library with dlopen unloads it).
 */
#ifndef VELTRANE_VELTRANE_H
#define VELTRANE_VELTRANE_H

#include <stddef.h>
#include <stdint.h>

#if defined(VELTRANE_BUILDING_LIBRARY)
#define VELTRANE_API __attribute__((visibility("default")))
#else
#define VELTRANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define VELTRANE_SAMPLE_RATE 16000      /* samples per second */
#define VELTRANE_FRAME_SAMPLES 240      /* samples per frame */
#define VELTRANE_FRAME_BYTES 30         /* bytes per encoded frame */
#define VELTRANE_DECODER_DELAY_FRAMES 2 /* decoded frames that answer no input frame */

typedef struct veltrane_encoder veltrane_encoder;
typedef struct veltrane_decoder veltrane_decoder;

/* The library's version, "major.minor.patch.build", e.g. "1.1.0.1": a static string, not to be
 * freed, valid for the life of the process. Functions that a version added: since 1.1.0.1,
 * veltrane_decode_lost_frame and veltrane_check_wav_header_needed (and VELTRANE_WAV_NEED_MORE);
 * all others since 1.0.0.1. */
VELTRANE_API const char* veltrane_version(void);

/* A new encoder at the start of a stream; NULL when out of memory. */
VELTRANE_API veltrane_encoder* veltrane_encoder_create(void);
/* Releases an encoder; NULL is allowed and does nothing. */
VELTRANE_API void veltrane_encoder_destroy(veltrane_encoder* encoder);
/* Encodes the next 240 samples of the stream into the next 30-byte frame (see Frame timing).
 * If encoder, pcm or frame is NULL it does nothing: no frame is written and the stream does not
 * advance. */
VELTRANE_API void veltrane_encode_frame(veltrane_encoder* encoder, const int16_t pcm[240],
                                        uint8_t frame[30]);

/* A new decoder at the start of a stream; NULL when out of memory. */
VELTRANE_API veltrane_decoder* veltrane_decoder_create(void);
/* Releases a decoder; NULL is allowed and does nothing. */
VELTRANE_API void veltrane_decoder_destroy(veltrane_decoder* decoder);
/* Decodes the next frame of the stream into 240 samples, rounded and clipped to 16 bits. Calls
 * 0 and 1 of a stream give the start-up frames, to be dropped (see Frame timing). Any 30 bytes
 * are accepted: a corrupt frame gives a valid, if wrong, signal, and the stream recovers. If
 * decoder, frame or pcm is NULL it does nothing: pcm is not written and the stream does not
 * advance (for a frame that is missing, call veltrane_decode_lost_frame instead). */
VELTRANE_API void veltrane_decode_frame(veltrane_decoder* decoder, const uint8_t frame[30],
                                        int16_t pcm[240]);
/*
 * In place of a frame that never arrived (a lost packet), writes 240 samples that conceal the
 * gap, and advances the decoder as if it had decoded that frame: the call counts as one frame of
 * the stream in Frame timing, and the frames that follow are decoded with veltrane_decode_frame
 * as usual. Since 1.1.0.1.
 *
 * Before the stream's first veltrane_decode_frame it writes 240 zeros (silence) and leaves the
 * decoder as it was. After it, the lost frame is rebuilt from what the last decoded frame left:
 *  - its spectral envelope: the newest reflection coefficients of the last frame decoded, in
 *    all six 40-sample subframes, and again as the start of the next frame's interpolation;
 *  - its pitch: the lag and the pitch gain of the latest subframe of the last frame decoded
 *    whose pitch gain lies above 0 and below 2 (a periodic subframe; with none, the pitch gain
 *    is 0), the gain limited to 0.9 and multiplied by 0.95 before each lost subframe (0.735 per
 *    frame); the pitch vector is drawn from the decoder's own past excitation, which thus goes
 *    on repeating the last pitch period;
 *  - five pulses of a pseudo-random pulse code in each subframe (the same sequence in every
 *    decoder, so that the output is reproducible), at the last fixed-codebook gain multiplied by
 *    0.6 before each lost subframe (0.047 per frame);
 *  - at most 0.8 of the energy of the frame before it (decoded or concealed): a louder result is
 *    scaled down, together with the decoder's past excitation and synthesis filter memory, so
 *    that the frames after it go on from the quieter signal.
 * Consecutive lost frames go on from where the previous one ended, so a run of losses fades
 * toward silence (each frame with at most 0.8 of the energy of the one before). The decoder's
 * excitation history then holds the concealed excitation, not the sender's, and the frames that
 * follow come out different from the intact stream's until that difference has died away in the
 * pitch feedback: in running speech mostly within ten frames (150 ms), but in a vowel held long
 * it can last until the sound ends.
 * If decoder or pcm is NULL it does nothing.
 */
VELTRANE_API void veltrane_decode_lost_frame(veltrane_decoder* decoder, int16_t pcm[240]);

/*
 * The WAV header check of the Veltrane programs, over a file held in memory.
 *
 * The encoder takes RIFF/WAVE files with PCM samples, one channel, 16000 samples per second,
 * 16-bit or 8-bit; after the fmt chunk a data chunk, a fact chunk (the data chunk is taken to
 * follow it; its sample count gives the size), or a JUNK chunk followed by the data chunk.
 * Tags match in any case. Bytes past the end of what is given read as zero, so the first bytes
 * of a file (the header) are enough for the verdict; give the whole file to learn how many
 * sample bytes it actually holds.
 */
typedef enum veltrane_wav_status {
    VELTRANE_WAV_OK = 0,
    VELTRANE_WAV_NOT_WAV = 1,      /* "It is not WAV format!!!\n" */
    VELTRANE_WAV_UNSUPPORTED = 2,  /* "Encoder does not support this format!!!\n" */
    VELTRANE_WAV_NOT_MONO = 3,     /* "You must use 'Mono' audio records!!!\n" */
    VELTRANE_WAV_NOT_16KHZ = 4,    /* "Sampling frequency differs from 16kHz. ..." */
    VELTRANE_WAV_BAD_BITS = 5,     /* "Number of bits per sample differs from 16 or 8. ..." */
    VELTRANE_WAV_BAD_FMT_SIZE = 6, /* "WAV file created with error!!!\n" */
    /* Only from veltrane_check_wav_header_needed, since 1.1.0.1: the bytes given are too few for
     * a verdict. */
    VELTRANE_WAV_NEED_MORE = 7
} veltrane_wav_status;

typedef struct veltrane_wav_info {
    int block_align;          /* bytes per sample: 1 (8-bit) or 2 (16-bit) */
    uint64_t data_offset;     /* offset of the first sample from the start of the file */
    uint64_t data_bytes;      /* bytes of sample data, as the header says */
    uint64_t available_bytes; /* of those, the ones that lie within the bytes given */
    uint64_t frames;          /* whole 240-sample frames in available_bytes */
} veltrane_wav_info;

/* Checks the header of the size bytes at bytes (NULL is taken as no bytes, whatever size says).
 * Returns VELTRANE_WAV_OK and fills *info (when info is not NULL), or the status of the first
 * check that failed, leaving *info zeroed. It never returns VELTRANE_WAV_NEED_MORE: bytes past
 * size read as zero. */
VELTRANE_API veltrane_wav_status veltrane_check_wav_header(const uint8_t* bytes, size_t size,
                                                           veltrane_wav_info* info);

/*
 * The same check for a file that arrives a piece at a time: it tells a verdict that more bytes
 * could change from one that they cannot. Since 1.1.0.1.
 *
 * The check reads fields at fixed offsets and at offsets that earlier fields give (the chunk
 * after fmt, the data chunk after JUNK), each field as a whole (the tags and sizes as 4 bytes,
 * the fmt fields as one block of 16 bytes at offset 20). When one of those reads reaches past
 * the size bytes given, it returns VELTRANE_WAV_NEED_MORE, leaves *info zeroed and sets *needed
 * to the end of that read, which is more than size: with fewer bytes than that the check cannot
 * decide, whatever they hold. Call it again once that many bytes (or more) are there; the answer
 * may be VELTRANE_WAV_NEED_MORE again, with a larger *needed, when the bytes that came tell the
 * check to look further (a JUNK chunk's size, for one). When every read lay within the bytes
 * given, the verdict is final, the same as veltrane_check_wav_header gives for these bytes, for
 * any longer prefix and for the whole file; *info is then filled as there (available_bytes and
 * frames counting the bytes given), and *needed is set to the number of leading bytes the
 * verdict rests on (at most size). Thus a file whose fmt fields are refused (stereo, say) is
 * refused as soon as its first 36 bytes are given. A file that ends before *needed bytes is cut
 * short: veltrane_check_wav_header's verdict over all its bytes is the one that stands.
 *
 * NULL bytes is taken as no bytes; info and needed may be NULL, and are then not written.
 */
VELTRANE_API veltrane_wav_status veltrane_check_wav_header_needed(const uint8_t* bytes, size_t size,
                                                                  veltrane_wav_info* info,
                                                                  uint64_t* needed);

/* The programs' message for a status, ending in a line feed (the programs print the file's
 * path after it); "" for VELTRANE_WAV_OK, VELTRANE_WAV_NEED_MORE and unknown values. The string
 * is static: not to be freed, valid for the life of the process. */
VELTRANE_API const char* veltrane_wav_message(veltrane_wav_status status);

/* Converts count samples of block_align bytes each (1 or 2, as the check reported) into the
 * encoder's samples, as the programs do: 16-bit samples are little-endian and taken as they
 * stand; an 8-bit byte b (unsigned, 128 is silence) becomes (b - 128) * 256. Returns the number
 * of samples written: count, or 0 (nothing written) for any other block_align, when bytes or pcm
 * is NULL, or when count samples would take more bytes than a size_t counts. */
VELTRANE_API size_t veltrane_convert_samples(const uint8_t* bytes, size_t count, int block_align,
                                             int16_t* pcm);

#ifdef __cplusplus
}
#endif

#endif /* VELTRANE_VELTRANE_H */
