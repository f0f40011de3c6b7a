#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vy {

class SWindow;

// Views that show an adapter's data are told when it changed.
class IAdapterObserver {
public:
    virtual ~IAdapterObserver() = default;
    virtual void OnDataSetChanged() = 0;
};

class SAdapterBase {
public:
    virtual ~SAdapterBase() = default;
    void RegisterObserver(IAdapterObserver* observer) { m_observers.push_back(observer); }
    void UnregisterObserver(IAdapterObserver* observer)
    {
        m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
    }
    // Every view rebuilds its rows from the adapter.
    void notifyDataSetChanged()
    {
        std::vector<IAdapterObserver*> observers = m_observers;
        for (IAdapterObserver* o : observers)
            o->OnDataSetChanged();
    }

private:
    std::vector<IAdapterObserver*> m_observers;
};

// Rows of a list view or a multi-column list view. The view builds each row
// from its XML row template, calls InitView once per row (subscribe to the
// row's controls there; the row's user data holds its position) and GetView
// to show an item in it.
class SListAdapter : public SAdapterBase {
public:
    virtual int GetCount() const = 0;
    virtual void InitView(SWindow* row) { (void)row; }
    virtual void GetView(int position, SWindow* row) = 0;
    // Name of the row control that shows column `column` (multi-column lists).
    virtual std::string GetColumnName(int column) const { return "col" + std::to_string(column + 1); }
};

using HTREEITEM = uintptr_t;
constexpr HTREEITEM kTreeRoot = 0;

// Items of a tree view. The view shows the children of expanded items,
// indented by depth; a row's user data holds its item.
class STreeAdapter : public SAdapterBase {
public:
    virtual HTREEITEM GetFirstChild(HTREEITEM item) const = 0;  // 0: none
    virtual HTREEITEM GetNextSibling(HTREEITEM item) const = 0;
    virtual bool IsExpanded(HTREEITEM item) const = 0;
    virtual void InitView(SWindow* row) { (void)row; }
    virtual void GetView(HTREEITEM item, SWindow* row) = 0;
};

// A tree adapter that keeps a tree of T.
template <class T>
class STreeAdapterBase : public STreeAdapter {
public:
    HTREEITEM InsertItem(const T& data, HTREEITEM parent = kTreeRoot)
    {
        if (parent != kTreeRoot && !m_nodes.count(parent))
            return 0;
        HTREEITEM handle = m_next++;
        m_nodes[handle] = Node{data, parent, {}, true};
        Children(parent).push_back(handle);
        return handle;
    }
    void DeleteAllItems()
    {
        m_nodes.clear();
        m_rootChildren.clear();
    }
    bool Exists(HTREEITEM item) const { return m_nodes.count(item) != 0; }
    T* GetItemData(HTREEITEM item)
    {
        auto it = m_nodes.find(item);
        return it == m_nodes.end() ? nullptr : &it->second.data;
    }
    const T* GetItemData(HTREEITEM item) const
    {
        auto it = m_nodes.find(item);
        return it == m_nodes.end() ? nullptr : &it->second.data;
    }
    HTREEITEM GetParentItem(HTREEITEM item) const
    {
        auto it = m_nodes.find(item);
        return it == m_nodes.end() ? kTreeRoot : it->second.parent;
    }
    int GetChildrenCount(HTREEITEM item) const { return static_cast<int>(ChildrenOf(item).size()); }
    void SetExpanded(HTREEITEM item, bool expanded)
    {
        auto it = m_nodes.find(item);
        if (it != m_nodes.end())
            it->second.expanded = expanded;
    }

    HTREEITEM GetFirstChild(HTREEITEM item) const override
    {
        const auto& c = ChildrenOf(item);
        return c.empty() ? 0 : c.front();
    }
    HTREEITEM GetNextSibling(HTREEITEM item) const override
    {
        const auto& c = ChildrenOf(GetParentItem(item));
        auto it = std::find(c.begin(), c.end(), item);
        if (it == c.end() || ++it == c.end())
            return 0;
        return *it;
    }
    bool IsExpanded(HTREEITEM item) const override
    {
        if (item == kTreeRoot)
            return true;
        auto it = m_nodes.find(item);
        return it != m_nodes.end() && it->second.expanded;
    }

private:
    struct Node {
        T data;
        HTREEITEM parent;
        std::vector<HTREEITEM> children;
        bool expanded;
    };
    std::vector<HTREEITEM>& Children(HTREEITEM item)
    {
        return item == kTreeRoot ? m_rootChildren : m_nodes[item].children;
    }
    const std::vector<HTREEITEM>& ChildrenOf(HTREEITEM item) const
    {
        static const std::vector<HTREEITEM> kNone;
        if (item == kTreeRoot)
            return m_rootChildren;
        auto it = m_nodes.find(item);
        return it == m_nodes.end() ? kNone : it->second.children;
    }

    std::map<HTREEITEM, Node> m_nodes;
    std::vector<HTREEITEM> m_rootChildren;
    HTREEITEM m_next = 1;
};

}  // namespace vy
