// The value types' data, shared between copies until one is changed.
#include "clipferry-qt/Uploader.h"

namespace Clipferry {

// The copying, moving and destroying every value type has, where its data
// is complete. A value moved from shares its data or takes the other's, so
// that it stays one a host may still read.
#define CLIPFERRY_QT_VALUE_MEMBERS(Type)                                   \
    Type::Type(const Type& other) = default;                              \
    Type::Type(Type&& other) noexcept : d(other.d) {}                     \
    Type& Type::operator=(const Type& other) = default;                   \
    Type& Type::operator=(Type&& other) noexcept {                        \
        d.swap(other.d);                                                  \
        return *this;                                                     \
    }                                                                     \
    Type::~Type() = default;

class Q_DECL_HIDDEN Category::Data : public QSharedData {
public:
    int id = 0;
    QString name;
};

Category::Category() : d(new Data) {}
Category::Category(int id, const QString& name) : Category() {
    d->id = id;
    d->name = name;
}
CLIPFERRY_QT_VALUE_MEMBERS(Category)
int Category::id() const { return d->id; }
QString Category::name() const { return d->name; }
void Category::setId(int id) { d->id = id; }
void Category::setName(const QString& name) { d->name = name; }

class Q_DECL_HIDDEN Moderator::Data : public QSharedData {
public:
    int id = 0;
    QString firstName;
    QString lastName;
};

Moderator::Moderator() : d(new Data) {}
Moderator::Moderator(int id, const QString& firstName, const QString& lastName) : Moderator() {
    d->id = id;
    d->firstName = firstName;
    d->lastName = lastName;
}
CLIPFERRY_QT_VALUE_MEMBERS(Moderator)
int Moderator::id() const { return d->id; }
QString Moderator::firstName() const { return d->firstName; }
QString Moderator::lastName() const { return d->lastName; }
void Moderator::setId(int id) { d->id = id; }
void Moderator::setFirstName(const QString& firstName) { d->firstName = firstName; }
void Moderator::setLastName(const QString& lastName) { d->lastName = lastName; }

class Q_DECL_HIDDEN Upload::Data : public QSharedData {
public:
    QString file;
    QString title;
    QString description;
    QString tags;
    QList<int> categories;
    int moderator = 0;
};

Upload::Upload() : d(new Data) {}
CLIPFERRY_QT_VALUE_MEMBERS(Upload)
QString Upload::file() const { return d->file; }
QString Upload::title() const { return d->title; }
QString Upload::description() const { return d->description; }
QString Upload::tags() const { return d->tags; }
QList<int> Upload::categories() const { return d->categories; }
int Upload::moderator() const { return d->moderator; }
void Upload::setFile(const QString& file) { d->file = file; }
void Upload::setTitle(const QString& title) { d->title = title; }
void Upload::setDescription(const QString& description) { d->description = description; }
void Upload::setTags(const QString& tags) { d->tags = tags; }
void Upload::setCategories(const QList<int>& categories) { d->categories = categories; }
void Upload::setModerator(int moderator) { d->moderator = moderator; }

class Q_DECL_HIDDEN Verdict::Data : public QSharedData {
public:
    bool accepted = false;
    int result = -1;
    QString message;
    bool mayHaveBeenReceived = false;
    bool cancelled = false;
};

Verdict::Verdict() : d(new Data) {}
CLIPFERRY_QT_VALUE_MEMBERS(Verdict)
bool Verdict::accepted() const { return d->accepted; }
int Verdict::result() const { return d->result; }
QString Verdict::message() const { return d->message; }
bool Verdict::mayHaveBeenReceived() const { return d->mayHaveBeenReceived; }
bool Verdict::cancelled() const { return d->cancelled; }
void Verdict::setAccepted(bool accepted) { d->accepted = accepted; }
void Verdict::setResult(int result) { d->result = result; }
void Verdict::setMessage(const QString& message) { d->message = message; }
void Verdict::setMayHaveBeenReceived(bool mayHaveBeenReceived) { d->mayHaveBeenReceived = mayHaveBeenReceived; }
void Verdict::setCancelled(bool cancelled) { d->cancelled = cancelled; }

#undef CLIPFERRY_QT_VALUE_MEMBERS

}  // namespace Clipferry
