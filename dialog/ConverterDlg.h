// SPDX-License-Identifier: BSD-3-Clause
// The main dialog's batch: selection of the files, validation of their headers, the encoding
// job of one file on the worker thread, and the save step, written over the platform layer so
// that it runs under tests without a window.
#pragma once

#include "convert/EncodeLoop.h"
#include "platform/Platform.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

// Private messages, posted by the dialog to itself.
enum PrivateMessage : unsigned {
    MSG_ENCODE_NEXT = 99,
    MSG_VALIDATE_FILES = 100,
    MSG_OPEN_FILES = 101
};

// Ids of the dialog's buttons, in template order; a click reaches OnCommand with the id.
enum ButtonId : int { kIdCompress = 1017, kIdStop, kIdExit, kIdSave, kIdSaveAs };

inline constexpr const char* kErrorCaption = "Error";
// Follows a failed save's message and its destination, before the path of the temporary file
// that still holds the result.
inline constexpr const char* kMsgResultKept = "\nThe encoded file is kept as:\n";
// How long closing the window waits for a worker that a stop has not ended yet; past it, the
// program ends without it.
inline constexpr std::chrono::milliseconds kCloseWaitLimit{2000};
// The exit status of a program that ended without its worker.
inline constexpr int kExitWorkerAbandoned = 1;
// The label shows at most this many characters of a path: its end.
inline constexpr std::size_t kLabelChars = 69;

// How the encoding job cuts a file's whole frames: chunks of 100 frames from 1000 frames on,
// else of 20, then the rest that does not fill a chunk.
ChunkPlan PlanChunks(std::uint64_t nTotalFrames);

class CConverterDlg {
  public:
    // Receives the posted messages of platform's loop until it is destroyed.
    explicit CConverterDlg(const Platform& platform);
    // Runs OnDestroy, in case the window has not.
    ~CConverterDlg();
    CConverterDlg(const CConverterDlg&) = delete;
    CConverterDlg& operator=(const CConverterDlg&) = delete;

    // Handles one posted message.
    void WindowProc(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam);
    // A click on the button nId; false when nId is none of the dialog's buttons.
    bool OnCommand(int nId);

    // The dialog's start, once its controls exist: "Save" chosen, the idle looks.
    void OnInitDialog();
    // The dialog's end, after its modal run. A batch still under way is stopped; its worker is
    // waited for (its calls to the controls still carried out), and the temporary files of its
    // encoded files are removed, since nothing of it will be saved. A worker that has not ended
    // within kCloseWaitLimit (a read or write that the system holds up) is not waited for: the
    // batch's private folder is removed and the process ends.
    void OnDestroy();
    // No batch is under way: a new one may start.
    bool IsIdle() const { return !m_bBusy && !m_bBatchRunning; }

    // Buttons. Compress starts a batch unless one is still under way (its looks change either
    // way); Stop requests a stop; Exit ends the modal run; Save and SaveAs choose how the
    // results are named.
    void OnCompress();
    void OnStop();
    void OnExit();
    void OnSave();
    void OnSaveAs();
    // MSG_ENCODE_NEXT: starts the worker for file m_nCurrent, or, when no file is left, the
    // finish step: idle looks, the save step for every file, the batch released.
    void OnEncodeNext(std::intptr_t nWParam, std::intptr_t nLParam);
    // The worker thread's entry: the job of file m_nCurrent, then MSG_ENCODE_NEXT.
    static void WorkerThread(CConverterDlg* pDlg);

    // MSG_OPEN_FILES: asks for the files, finds the folder for the temporary files and posts
    // MSG_VALIDATE_FILES; on cancel it returns to the idle look and posts nothing.
    void OnOpenFiles(std::intptr_t nWParam, std::intptr_t nLParam);
    // MSG_VALIDATE_FILES: checks every file, reports and drops the bad ones, sets the batch
    // bar's range to the batch's frames and posts MSG_ENCODE_NEXT.
    void OnValidateFiles(std::intptr_t nWParam, std::intptr_t nLParam);
    // On the worker thread: encodes file m_nCurrent (path in m_pszPath) into its temporary
    // file. true when it ended by a stop request or a failure (reported, m_bBusy cleared);
    // false when the file was encoded to its end.
    bool EncodeCurrentFile();
    // On the dialog's thread, after the last job: copies file nIndex's temporary file to its
    // ".wrm" name, through a save dialog as bSaveMode and the index require.
    void SaveEncodedFile(bool bSaveMode, int nIndex);

    // The last kLabelChars characters of sPath (all of it when it is shorter). Characters, not
    // bytes: a UTF-8 sequence is never cut.
    static std::string TailOfPath(const std::string& sPath);
    // m_pszTempDir + "tmp" + the index in decimal + ".~rm".
    std::string TempPathOf(int nIndex) const;
    // Removes file nIndex's temporary file, if its job made it and it is still there.
    void DeleteTempFile(int nIndex);

    // The batch. The selection and validation fill it on the dialog's thread before a worker
    // starts; the finish step releases it.
    std::string m_pszSelection;           // the open dialog's answer, NULs included
    std::string m_pszPath;                // path work buffer: folder + name of one file
    std::string m_pszSourceDir;           // folder of the selected files, ending in "/"
    std::string m_pszTempDir;             // folder for the temporary files, ending in "/"
    std::vector<std::string> m_ppszFiles; // names relative to m_pszSourceDir, in batch order
    bool m_bSaveMode = false;             // "Save" (true) or "SaveAs" (false)
    int m_nFiles = 0;
    // Per file, parallel to m_ppszFiles: bytes per sample (1 or 2), offset of the first
    // sample, bytes of sample data that the file holds.
    std::vector<int> m_pnBlockAlign;
    std::vector<std::uint64_t> m_pnDataOffset;
    std::vector<std::uint64_t> m_pnDataBytes;
    // Destinations the save steps of this batch have written, as absolute paths, so that an
    // automatic name never replaces an earlier result of the same batch.
    std::vector<std::string> m_asSavedPaths;
    // Per file: its job has made its temporary file, and nothing has removed it since. Sized by
    // the validation; written by the job on the worker thread, read on the dialog's thread only
    // once that job has ended. Only these files are ever deleted as the batch's own.
    std::vector<std::uint8_t> m_abTempMade;
    // The folder made for this batch's temporary files (m_pszTempDir without its "/"), that no
    // other user may enter; removed at the batch's end. Empty when none could be made.
    std::string m_sPrivateDir;

    // Touched by both threads.
    std::atomic<int> m_nCurrent = 0; // index of the file being worked on
    std::atomic<bool> m_bBusy = false;
    std::atomic<bool> m_bStop = false;
    // A job of this batch ended because of the stop request; then nothing of it is saved. A stop
    // that comes after the last job's final check cuts nothing short and leaves it false.
    std::atomic<bool> m_bJobStopped = false;

    // The pushed looks last given to the buttons.
    bool m_bCompressDown = false;
    bool m_bStopDown = true;
    bool m_bExitDown = false;

    // From the click that starts a batch to its finish step (or a cancelled selection). A stop
    // or a failed job clears m_bBusy while the batch still runs; this keeps Compress from
    // starting a new selection over the running batch's buffers.
    bool m_bBatchRunning = false;

  private:
    // Records the pushed looks of a batch's start (bBatch) or of the idle dialog and draws
    // Compress and Stop so.
    void ShowBatchLooks(bool bBatch);
    // Makes the batch's private folder for the temporary files.
    void ChooseTempFolder();
    // Removes the private folder, once it is empty: a result that a failed save kept stays.
    void RemovePrivateFolder();
    // A worker that does not end: every temporary file of the batch and its folder are removed.
    void AbandonBatch();
    bool AskForDestination(const std::string& sProposed, int nIndex, std::string* psDestination);
    void FinishBatch();
    void ReleaseBatch();
    void ShowError(const std::string& sText);
    // Ends a job that cannot go on: the message, m_bBusy cleared, the job's result.
    bool FailJob(const std::string& sText);

    Platform m_platform;
};

} // namespace veltrane
