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
 * The decoder mirrors this. The k-th call of veltrane_decode_frame writes the 240 samples that
 * stand for input frame k - 2, that is input samples 240 * (k - 2) .. 240 * (k - 2) + 239.
 * The samples of calls 0 and 1 stand for the start-up silence (all zero for a stream that the
 * encoder wrote) and answer no input sample: drop them, as the Veltrane programs do (N frames decode to 240 * (N - 2) samples, and sample i of
 * the result answers sample i of the recording). A stream of N frames thus lacks the
 * recording's last two frames (30 ms); a caller that wants them encodes two more frames of
 * silence after the last (the Veltrane programs do not, so their ".wrm" files hold one frame
 * per whole input frame). Samples after the last whole input frame are never encoded.
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

#define VELTRANE_SAMPLE_RATE 16000    /* samples per second */
#define VELTRANE_FRAME_SAMPLES 240    /* samples per frame */
#define VELTRANE_FRAME_BYTES 30       /* bytes per encoded frame */
#define VELTRANE_DECODER_DELAY_FRAMES 2 /* decoded frames that answer no input frame */

typedef struct veltrane_encoder veltrane_encoder;
typedef struct veltrane_decoder veltrane_decoder;

/* The library's version, "major.minor.patch.build", e.g. "1.0.0.1". */
VELTRANE_API const char *veltrane_version(void);

/* A new encoder at the start of a stream; NULL when out of memory. */
VELTRANE_API veltrane_encoder *veltrane_encoder_create(void);
/* Releases an encoder; NULL is allowed and does nothing. */
VELTRANE_API void veltrane_encoder_destroy(veltrane_encoder *encoder);
/* Encodes the next 240 samples of the stream into the next 30-byte frame (see Frame timing). */
VELTRANE_API void veltrane_encode_frame(veltrane_encoder *encoder, const int16_t pcm[240],
                                        uint8_t frame[30]);

/* A new decoder at the start of a stream; NULL when out of memory. */
VELTRANE_API veltrane_decoder *veltrane_decoder_create(void);
/* Releases a decoder; NULL is allowed and does nothing. */
VELTRANE_API void veltrane_decoder_destroy(veltrane_decoder *decoder);
/* Decodes the next frame of the stream into 240 samples, rounded and clipped to 16 bits. Calls
 * 0 and 1 of a stream give the start-up frames, to be dropped (see Frame timing). Any 30 bytes
 * are accepted: a corrupt frame gives a valid, if wrong, signal, and the stream recovers. */
VELTRANE_API void veltrane_decode_frame(veltrane_decoder *decoder, const uint8_t frame[30],
                                        int16_t pcm[240]);

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
    VELTRANE_WAV_BAD_FMT_SIZE = 6  /* "WAV file created with error!!!\n" */
} veltrane_wav_status;

typedef struct veltrane_wav_info {
    int block_align;          /* bytes per sample: 1 (8-bit) or 2 (16-bit) */
    uint64_t data_offset;     /* offset of the first sample from the start of the file */
    uint64_t data_bytes;      /* bytes of sample data, as the header says */
    uint64_t available_bytes; /* of those, the ones that lie within the bytes given */
    uint64_t frames;          /* whole 240-sample frames in available_bytes */
} veltrane_wav_info;

/* Checks the header of the size bytes at bytes (NULL allowed when size is 0). Returns
 * VELTRANE_WAV_OK and fills *info (when info is not NULL), or the status of the first check
 * that failed, leaving *info zeroed. */
VELTRANE_API veltrane_wav_status veltrane_check_wav_header(const uint8_t *bytes, size_t size,
                                                           veltrane_wav_info *info);

/* The programs' message for a status, ending in a line feed (the programs print the file's
 * path after it); "" for VELTRANE_WAV_OK and for unknown values. */
VELTRANE_API const char *veltrane_wav_message(veltrane_wav_status status);

/* Converts count samples of block_align bytes each (1 or 2, as the check reported) into the
 * encoder's samples, as the programs do: 16-bit samples are little-endian and taken as they
 * stand; an 8-bit byte b (unsigned, 128 is silence) becomes (b - 128) * 256. Returns the number
 * of samples written: count, or 0 for any other block_align. */
VELTRANE_API size_t veltrane_convert_samples(const uint8_t *bytes, size_t count,
                                             int block_align, int16_t *pcm);

#ifdef __cplusplus
}
#endif

#endif /* VELTRANE_VELTRANE_H */
