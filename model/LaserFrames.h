#pragma once

#include "LaserFrame.h"

#include <QString>
#include <memory>
#include <vector>

// A show: the ordered list of frames and the file it was last read from.
// The show owns its frames; Extract hands one out alive.
class TLaserFrames {
public:
    QString FileName;

    TLaserFrames() = default;
    TLaserFrames(const TLaserFrames&) = delete;
    TLaserFrames& operator=(const TLaserFrames&) = delete;
    TLaserFrames(TLaserFrames&&) = default;
    TLaserFrames& operator=(TLaserFrames&&) = default;

    TLaserFrame& Add();                                    // a new default frame, appended
    int AddFrame(std::unique_ptr<TLaserFrame> frame);      // returns its index
    void Insert(int index, std::unique_ptr<TLaserFrame> frame); // index == Count() appends
    void Delete(int index);
    std::unique_ptr<TLaserFrame> Extract(int index);
    void Clear() { List.clear(); }
    int Count() const { return int(List.size()); }
    TLaserFrame& Frame(int index) { return *List.at(index); }
    const TLaserFrame& Frame(int index) const { return *List.at(index); }

    // Point count of the frame before `index`, 0 for the first frame.
    int PreviousPointCount(int index) const;
    // Fit the links of the frame at `index` to its own and its predecessor's point counts.
    void FitLinksAt(int index);

    // The frame-list operations of the editor, model part: which frames move and
    // how the link matrices around them are fitted.
    void InsertFrame(std::unique_ptr<TLaserFrame> frame, int index);
    enum class DeleteResult { Deleted, OnlyFrame };
    // Refuses to delete the one and only frame. With a holder the frame is handed
    // out alive (cut), otherwise destroyed.
    DeleteResult DeleteFrame(int index, std::unique_ptr<TLaserFrame>* holder = nullptr);
    // `to` is the list position under the drop point, counted before the frame is
    // taken out (Count() for a drop below the last entry). Returns the frame's new index.
    int MoveFrame(int from, int to);

private:
    std::vector<std::unique_ptr<TLaserFrame>> List;
};
