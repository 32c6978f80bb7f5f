#pragma once
// The pages of a property sheet or of a dialog's tab control: a list linked
// through each page's next pointer, newest first, owning its pages.
class VPropertyPage;

class PageList {
public:
    PageList() = default;
    ~PageList() { deleteAll(); }
    PageList(const PageList&) = delete;
    PageList& operator=(const PageList&) = delete;

    void push(VPropertyPage* page);
    int count() const;
    // The newest page; walk on with getNext().
    VPropertyPage* newest() const { return head_; }
    // Deletes every page through its virtual destructor.
    void deleteAll();

private:
    VPropertyPage* head_ = nullptr;
};
