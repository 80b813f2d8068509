# SPDX-License-Identifier: BSD-3-Clause
"""Veltrane, the 16 kbit/s wideband CELP speech codec, for numpy.

The codec takes speech at 16000 samples per second, one channel, and turns every 240 samples
(15 ms) into one 30-byte frame; a ".wrm" file is those frames back to back.

- encode(samples) -> bytes and decode(data) -> samples: the bytes and samples of
  ``veltrane-cli encode`` and ``veltrane-cli decode``. Sample i of a decoding answers sample i
  of the recording; a decoding lacks the recording's last two frames (30 ms) and the samples
  after its last whole frame, as the command line's does.
- roundtrip(samples, rate): what the codec does to a recording at any rate, with any number of
  channels, aligned with the input and of its length (codec augmentation).
- read(path): any recording libsndfile reads, or a ".wrm" file, as soundfile.read gives it;
  write(path, samples): a ".wrm" file; check(path): the WAV header check of the programs.
- Encoder and Decoder: the same for a stream, in chunks of any length.
- encode_many(recordings, threads): many recordings at once, on several threads.

Samples are int16 arrays, or float arrays with 1.0 full scale, rounded as
``veltrane-cli encode --convert`` rounds them (to the nearest, clipped, no dither).
Errors are raised as TypeError (a wrong dtype), ValueError (a wrong shape, rate or file
content) and OSError (a file that cannot be read or written).
"""

from __future__ import annotations

import concurrent.futures
import os
import tempfile
import warnings

import numpy as np

from . import _veltrane

__all__ = [
    "SAMPLE_RATE",
    "FRAME_SAMPLES",
    "FRAME_BYTES",
    "Encoder",
    "Decoder",
    "encode",
    "decode",
    "roundtrip",
    "read",
    "write",
    "check",
    "encode_many",
    "__version__",
]

SAMPLE_RATE: int = _veltrane.SAMPLE_RATE
FRAME_SAMPLES: int = _veltrane.FRAME_SAMPLES
FRAME_BYTES: int = _veltrane.FRAME_BYTES
__version__: str = _veltrane.version()


def _as_pcm16(samples, name: str = "samples") -> np.ndarray:
    """A 1-D int16 array of the encoder's samples, contiguous."""
    array = np.asarray(samples)
    if array.ndim != 1:
        raise ValueError(f"{name} must be a 1-D array of samples, not {array.ndim}-D")
    if array.dtype == np.int16:
        return np.ascontiguousarray(array)
    if array.dtype.kind == "f":
        return _veltrane.float_to_pcm16(np.ascontiguousarray(array, dtype=np.float64))
    raise TypeError(f"{name} must be int16, or float with 1.0 full scale; not {array.dtype}")


def _as_data(data) -> bytes:
    if isinstance(data, (bytes, bytearray, memoryview)):
        return bytes(data)
    raise TypeError(f"data must be bytes of 30-byte frames, not {type(data).__name__}")


def _samples_as(pcm: np.ndarray, dtype) -> np.ndarray:
    dtype = np.dtype(dtype)
    if dtype == np.int16:
        return pcm
    if dtype.kind == "f":
        return (pcm / 32768.0).astype(dtype)
    raise TypeError(f"dtype must be int16 or a float type, not {dtype}")


def encode(samples) -> bytes:
    """Encodes 16 kHz mono samples into 30-byte frames, one per whole 240 samples.

    samples: a 1-D int16 array, or float with 1.0 full scale (rounded to the nearest, clipped,
    no dither). The samples after the last whole frame are not encoded. The bytes are those of
    ``veltrane-cli encode`` for the same samples, on every machine.
    """
    return _veltrane.StreamEncoder().encode(_as_pcm16(samples))


def decode(data, dtype=np.int16) -> np.ndarray:
    """Decodes 30-byte frames into 16 kHz mono samples: the samples of ``veltrane-cli decode``.

    N frames give 240 * (N - 2) samples, and sample i answers sample i of the recording (the
    two start-up frames answer none). Bytes after the last whole frame are not decoded, with a
    warning. dtype: int16, or a float type for samples with 1.0 full scale.
    """
    data = _as_data(data)
    decoder = _veltrane.StreamDecoder()
    pcm = decoder.decode(data)
    if decoder.pending_bytes():
        warnings.warn(
            f"the last {decoder.pending_bytes()} bytes are not a whole 30-byte frame "
            "and were not decoded",
            stacklevel=2,
        )
    return _samples_as(pcm, dtype)


def _roundtrip_channel(channel: np.ndarray, rate: int) -> np.ndarray:
    """One channel through resampling to 16 kHz, the codec and back, as float64."""
    if channel.dtype == np.int16:
        signal = channel / 32768.0
    else:
        signal = np.ascontiguousarray(channel, dtype=np.float64)
    at16k = signal if rate == SAMPLE_RATE else _veltrane.resample(signal, rate, SAMPLE_RATE)
    pcm = _veltrane.float_to_pcm16(np.ascontiguousarray(at16k))
    # Two more frames of silence bring out the last input frame; the partial frame is padded.
    frames = -(-len(pcm) // FRAME_SAMPLES) + _veltrane.DELAY_FRAMES
    padded = np.zeros(frames * FRAME_SAMPLES, dtype=np.int16)
    padded[: len(pcm)] = pcm
    decoded = decode(encode(padded))[: len(pcm)] / 32768.0
    back = decoded if rate == SAMPLE_RATE else _veltrane.resample(decoded, SAMPLE_RATE, rate)
    out = np.zeros(len(channel))
    out[: min(len(back), len(channel))] = back[: len(channel)]
    return out


def roundtrip(samples, rate: int) -> np.ndarray:
    """What the codec does to a recording: encoded and decoded, aligned and of the same length.

    samples: int16 or float (1.0 full scale), 1-D (one channel) or 2-D (samples, channels), at
    rate samples per second (1000 to 768000). Each channel is resampled to 16 kHz with the
    resampler of ``veltrane-cli encode --convert`` (libsoxr, linear phase), rounded to 16 bits,
    encoded, decoded and resampled back. The encoder's two-frame delay is compensated and it is
    flushed with silence, so sample i of the result answers sample i of the input, over the
    whole length. The result has the input's shape and dtype (int16 rounded and clipped). It
    carries the codec's band limit: nothing above 8 kHz survives, whatever the rate.
    """
    array = np.asarray(samples)
    if array.ndim not in (1, 2):
        raise ValueError(f"samples must be 1-D or 2-D (samples, channels), not {array.ndim}-D")
    if array.dtype != np.int16 and array.dtype.kind != "f":
        raise TypeError(f"samples must be int16, or float with 1.0 full scale; not {array.dtype}")
    if isinstance(rate, bool) or not isinstance(rate, (int, np.integer)):
        raise TypeError(f"rate must be an integer number of samples per second, not {rate!r}")
    rate = int(rate)
    if not 1000 <= rate <= 768000:
        raise ValueError(f"the sample rate {rate} is outside what the resampler takes (1000 to 768000)")
    channels = array[:, np.newaxis] if array.ndim == 1 else array
    out = np.stack([_roundtrip_channel(channels[:, c], rate) for c in range(channels.shape[1])], axis=1)
    out = out[:, 0] if array.ndim == 1 else out
    if array.dtype == np.int16:
        return _veltrane.float_to_pcm16(np.ascontiguousarray(out.ravel())).reshape(out.shape)
    return out.astype(array.dtype)


def read(path, dtype=None) -> tuple[np.ndarray, int]:
    """A recording's samples and rate, as soundfile.read gives them: (samples, rate).

    A ".wrm" file (by its name) is decoded as decode() does: (int16 samples, 16000). Any other
    file is read with libsndfile (WAV, FLAC, Ogg, MP3, ...): float64 with 1.0 full scale, 1-D
    for one channel, else (samples, channels). dtype: int16 or a float type instead.
    """
    if os.fsdecode(path).lower().endswith(".wrm"):
        with open(path, "rb") as file:
            data = file.read()
        return decode(data, dtype if dtype is not None else np.int16), SAMPLE_RATE
    samples, rate = _veltrane.read_audio(os.fsdecode(path))
    samples = samples[:, 0] if samples.shape[1] == 1 else samples
    if dtype is None or np.dtype(dtype) == np.float64:
        return samples, rate
    if np.dtype(dtype) == np.int16:
        return _veltrane.float_to_pcm16(np.ascontiguousarray(samples.ravel())).reshape(samples.shape), rate
    if np.dtype(dtype).kind == "f":
        return samples.astype(dtype), rate
    raise TypeError(f"dtype must be int16 or a float type, not {np.dtype(dtype)}")


def write(path, samples) -> None:
    """Encodes samples (as encode does) into the ".wrm" file path.

    The file appears under its name only when complete: the frames go to a new temporary file
    in the same folder, which then replaces path in one step. A new file gets the permissions
    that the process's umask leaves of 0666.
    """
    frames = encode(samples)
    folder = os.path.dirname(os.path.abspath(os.fspath(path)))
    descriptor, temporary = tempfile.mkstemp(prefix=".veltrane-", suffix=".~part", dir=folder)
    try:
        with os.fdopen(descriptor, "wb") as file:
            file.write(frames)
            file.flush()
            os.fsync(file.fileno())
            umask = os.umask(0)
            os.umask(umask)
            os.chmod(temporary, 0o666 & ~umask)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


def check(path) -> tuple[bool, str]:
    """The WAV header check of the Veltrane programs on a file: (accepted, message).

    The message is the programs' own ("It is not WAV format!!!", ...); "" when accepted.
    """
    with open(path, "rb") as file:
        data = file.read()
    accepted, message, _ = _veltrane.check_wav_bytes(data)
    return accepted, message


class Encoder:
    """The encoder of one stream, fed chunks of any length.

    encode(chunk) returns the frames of every whole 240 samples received so far; the samples
    short of a frame wait for the next call, so the frames of any chunking equal encode() of
    the whole. flush() encodes the waiting samples padded with silence to a whole frame. Each
    object may be used from one thread at a time; different objects from different threads.
    """

    def __init__(self) -> None:
        self._stream = _veltrane.StreamEncoder()

    def encode(self, samples) -> bytes:
        return self._stream.encode(_as_pcm16(samples))

    def flush(self) -> bytes:
        return self._stream.flush()


class Decoder:
    """The decoder of one stream, fed bytes in chunks of any length.

    decode(chunk) returns the samples of every whole frame received so far, the two start-up
    frames dropped, so the samples of any chunking equal decode() of the whole. decode_lost()
    stands in for a frame that was lost. flush() returns nothing more and warns of bytes short
    of a frame.
    """

    def __init__(self, dtype=np.int16) -> None:
        self._dtype = np.dtype(dtype)
        _samples_as(np.zeros(0, dtype=np.int16), self._dtype)  # refuses a dtype at once
        self._stream = _veltrane.StreamDecoder()

    def decode(self, data) -> np.ndarray:
        return _samples_as(self._stream.decode(_as_data(data)), self._dtype)

    def decode_lost(self) -> np.ndarray:
        """The samples in place of one frame that never arrived (a lost packet).

        The library conceals it from the last good frame (its envelope and pitch, with gains
        that decay) and the stream recovers over the frames after it. The frame counts as one
        of the stream: during the two start-up frames it gives no samples.
        """
        return _samples_as(self._stream.decode_lost(), self._dtype)

    def flush(self) -> np.ndarray:
        if self._stream.pending_bytes():
            warnings.warn(
                f"the last {self._stream.pending_bytes()} bytes are not a whole 30-byte frame "
                "and were not decoded",
                stacklevel=2,
            )
        return _samples_as(np.zeros(0, dtype=np.int16), self._dtype)


def encode_many(recordings, threads: int | None = None) -> list[bytes]:
    """encode() of each recording, on up to threads threads (default: one per core).

    Each thread encodes its share of the recordings side by side, one per vector lane of a
    batch encoder. The bytes of each equal encode() of it alone, in the order given.
    """
    prepared = [_as_pcm16(samples, f"recordings[{i}]") for i, samples in enumerate(recordings)]
    workers = threads if threads is not None else (os.cpu_count() or 1)
    if isinstance(workers, bool) or not isinstance(workers, int) or workers < 1:
        raise ValueError(f"threads must be a positive integer, not {threads!r}")
    # Longest first, each to the share with the fewest samples so far.
    shares: list[list[int]] = [[] for _ in range(min(workers, len(prepared)))]
    loads = [0] * len(shares)
    for i in sorted(range(len(prepared)), key=lambda i: -len(prepared[i])):
        lightest = loads.index(min(loads))
        shares[lightest].append(i)
        loads[lightest] += len(prepared[i])
    results: list[bytes] = [b""] * len(prepared)
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, len(shares))) as pool:
        encoded = pool.map(lambda share: _veltrane.encode_in_lanes([prepared[i] for i in share]),
                           shares)
        for share, frames in zip(shares, encoded):
            for i, data in zip(share, frames):
                results[i] = data
    return results
