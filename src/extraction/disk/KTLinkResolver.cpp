#include "extraction/disk/KTLinkResolver.h"

#include <QList>

#include <deque>
#include <optional>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxHops = 40;

QByteArray joined(const QByteArray &root, const std::deque<QByteArray> &stack)
{
    QByteArray path = root;
    for (const auto &c : stack) {
        path.append('/');
        path.append(c);
    }
    return path;
}

std::optional<QByteArray> readLink(const QByteArray &path)
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(path.constData(), buf, sizeof buf);
    if (n < 0 || n >= ssize_t(sizeof buf))
        return std::nullopt;
    return QByteArray(buf, int(n));
}

} // namespace

bool KTLinkResolver::staysInside(const QByteArray &root, const QByteArray &link)
{
    if (!link.startsWith(root + '/'))
        return false;
    const QList<QByteArray> linkParts = link.mid(root.size() + 1).split('/');
    std::deque<QByteArray> stack(linkParts.begin(), linkParts.end() - 1);

    auto target = readLink(link);
    if (!target || target->startsWith('/'))
        return false;
    std::deque<QByteArray> pending;
    for (const auto &c : target->split('/'))
        pending.push_back(c);

    int hops = 0;
    bool existing = true; // once a component is missing, the rest is taken as written
    while (!pending.empty()) {
        const QByteArray c = pending.front();
        pending.pop_front();
        if (c.isEmpty() || c == ".")
            continue;
        if (c == "..") {
            if (stack.empty())
                return false;
            stack.pop_back();
            continue;
        }
        stack.push_back(c);
        if (!existing)
            continue;
        const QByteArray path = joined(root, stack);
        struct stat st;
        if (::lstat(path.constData(), &st) != 0) {
            existing = false;
            continue;
        }
        if (!S_ISLNK(st.st_mode))
            continue;
        if (++hops > MaxHops)
            return false;
        auto next = readLink(path);
        if (!next || next->startsWith('/'))
            return false;
        stack.pop_back();
        const QList<QByteArray> parts = next->split('/');
        for (auto it = parts.rbegin(); it != parts.rend(); ++it)
            pending.push_front(*it);
    }
    return true;
}

std::vector<QByteArray> KTLinkResolver::removeEachOutside(const QByteArray &root, std::vector<QByteArray> &links)
{
    std::vector<QByteArray> removed;
    for (bool changed = true; changed;) {
        changed = false;
        std::vector<QByteArray> kept;
        for (const QByteArray &rel : links) {
            if (staysInside(root, root + '/' + rel)) {
                kept.push_back(rel);
                continue;
            }
            ::unlink((root + '/' + rel).constData());
            removed.push_back(rel);
            changed = true;
        }
        links.swap(kept);
    }
    return removed;
}
