// SPDX-License-Identifier: BSD-3-Clause
/*
 * wrm_roundtrip: encodes a WAV file into a ".wrm" file and decodes that back to a WAV file,
 * with libveltrane alone, exactly as veltrane-cli encode and decode do.
 *
 *   wrm_roundtrip IN.wav OUT.wrm OUT.wav
 *
 * Build it with pkg-config:
 *   cc wrm_roundtrip.c $(pkg-config --cflags --libs veltrane) -o wrm_roundtrip
 * or with CMake (find_package(veltrane), see CMakeLists.txt beside this file).
 */
#include <veltrane/veltrane.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The whole file in memory; NULL when it cannot be read. */
static uint8_t *read_file(const char *path, size_t *size) {
    FILE *file = fopen(path, "rb");
    uint8_t *bytes = NULL;
    long length;
    if (file == NULL) {
        return NULL;
    }
    if (fseek(file, 0, SEEK_END) == 0 && (length = ftell(file)) >= 0 &&
        fseek(file, 0, SEEK_SET) == 0) {
        bytes = malloc((size_t)length + 1);
        if (bytes != NULL && fread(bytes, 1, (size_t)length, file) != (size_t)length) {
            free(bytes);
            bytes = NULL;
        }
        *size = (size_t)length;
    }
    fclose(file);
    return bytes;
}

static int write_file(const char *path, const uint8_t *bytes, size_t size) {
    FILE *file = fopen(path, "wb");
    int ok = file != NULL && fwrite(bytes, 1, size, file) == size;
    if (file != NULL && fclose(file) != 0) {
        ok = 0;
    }
    return ok;
}

/* Encodes every whole frame of the checked file; returns the frames (info->frames of them). */
static uint8_t *encode(const uint8_t *wav, const veltrane_wav_info *info) {
    uint8_t *frames = malloc(info->frames * VELTRANE_FRAME_BYTES + 1);
    veltrane_encoder *encoder = veltrane_encoder_create();
    int16_t pcm[VELTRANE_FRAME_SAMPLES];
    uint64_t f;
    if (frames == NULL || encoder == NULL) {
        free(frames);
        veltrane_encoder_destroy(encoder);
        return NULL;
    }
    for (f = 0; f < info->frames; ++f) {
        const uint8_t *samples =
            wav + info->data_offset + f * VELTRANE_FRAME_SAMPLES * (uint64_t)info->block_align;
        veltrane_convert_samples(samples, VELTRANE_FRAME_SAMPLES, info->block_align, pcm);
        veltrane_encode_frame(encoder, pcm, frames + f * VELTRANE_FRAME_BYTES);
    }
    veltrane_encoder_destroy(encoder);
    return frames;
}

static void put_le(uint8_t *bytes, uint32_t value, int count) {
    int b;
    for (b = 0; b < count; ++b) {
        bytes[b] = (uint8_t)(value >> (8 * b));
    }
}

/* Decodes the frames into a 16 kHz mono 16-bit WAV file held in memory (44-byte header). The
 * first two decoded frames answer no input and are dropped, so sample i of the result answers
 * sample i of the recording. */
static uint8_t *decode(const uint8_t *frames, uint64_t count, size_t *size) {
    const uint64_t kept = count > VELTRANE_DECODER_DELAY_FRAMES
                              ? count - VELTRANE_DECODER_DELAY_FRAMES
                              : 0;
    const uint32_t data_bytes = (uint32_t)(kept * VELTRANE_FRAME_SAMPLES * 2);
    uint8_t *wav = malloc(44 + (size_t)data_bytes);
    veltrane_decoder *decoder = veltrane_decoder_create();
    int16_t pcm[VELTRANE_FRAME_SAMPLES];
    uint8_t *out = wav + 44;
    uint64_t f;
    int n;
    if (wav == NULL || decoder == NULL) {
        free(wav);
        veltrane_decoder_destroy(decoder);
        return NULL;
    }
    memcpy(wav, "RIFF\0\0\0\0WAVEfmt \20\0\0\0\1\0\1\0\0\0\0\0\0\0\0\0\2\0\20\0data\0\0\0\0", 44);
    put_le(wav + 4, 36 + data_bytes, 4);
    put_le(wav + 24, VELTRANE_SAMPLE_RATE, 4);
    put_le(wav + 28, VELTRANE_SAMPLE_RATE * 2, 4);
    put_le(wav + 40, data_bytes, 4);
    for (f = 0; f < count; ++f) {
        veltrane_decode_frame(decoder, frames + f * VELTRANE_FRAME_BYTES, pcm);
        if (f < VELTRANE_DECODER_DELAY_FRAMES) {
            continue;
        }
        for (n = 0; n < VELTRANE_FRAME_SAMPLES; ++n) {
            put_le(out, (uint16_t)pcm[n], 2);
            out += 2;
        }
    }
    veltrane_decoder_destroy(decoder);
    *size = 44 + (size_t)data_bytes;
    return wav;
}

int main(int argc, char **argv) {
    size_t wav_size = 0, decoded_size = 0;
    uint8_t *wav, *frames, *decoded;
    veltrane_wav_info info;
    veltrane_wav_status status;
    int ok;
    if (argc != 4) {
        fprintf(stderr, "usage: %s IN.wav OUT.wrm OUT.wav (libveltrane %s)\n", argv[0],
                veltrane_version());
        return 1;
    }
    wav = read_file(argv[1], &wav_size);
    if (wav == NULL) {
        perror(argv[1]);
        return 2;
    }
    status = veltrane_check_wav_header(wav, wav_size, &info);
    if (status != VELTRANE_WAV_OK) {
        fprintf(stderr, "%s%s\n", veltrane_wav_message(status), argv[1]);
        free(wav);
        return 2;
    }
    frames = encode(wav, &info);
    decoded = frames != NULL ? decode(frames, info.frames, &decoded_size) : NULL;
    ok = decoded != NULL && write_file(argv[2], frames, info.frames * VELTRANE_FRAME_BYTES) &&
         write_file(argv[3], decoded, decoded_size);
    if (!ok) {
        fprintf(stderr, "could not write %s or %s\n", argv[2], argv[3]);
    } else {
        printf("%s: %lu frames encoded, %lu samples decoded\n", argv[1],
               (unsigned long)info.frames, (unsigned long)((decoded_size - 44) / 2));
    }
    free(wav);
    free(frames);
    free(decoded);
    return ok ? 0 : 2;
}
