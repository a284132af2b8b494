# The same relation table as bench/reactivity.zel: a flat list of 4-value records searched
# by identity with a skip of 4, consulted by every assignment to a reactive object's field,
# with the reaction queue of a chain.
relations = []
queue = []


class Reactor:
    def __setattr__(self, name, value):
        object.__setattr__(self, name, value)
        check(self, name)


def check(reactor, field):
    n = len(relations)
    i = 0
    while i < n:
        if relations[i] is reactor and relations[i + 1] == field:
            reaction = relations[i + 2]
            target = relations[i + 3]
            pending = any(queue[k] is reactor and queue[k + 1] is reaction for k in range(0, len(queue), 4))
            if not queue:
                queue.extend((reactor, reaction, target, True))
                setattr(reactor, target, reaction(reactor))
                while queue:
                    at = len(queue) - 4
                    if queue[at + 3]:
                        del queue[at:]
                    else:
                        r, f, t = queue[at], queue[at + 1], queue[at + 2]
                        setattr(r, t, f(r))
                        if len(queue) == at + 4:
                            del queue[at:]
                        else:
                            queue[at + 3] = True
            elif not pending:
                queue.extend((reactor, reaction, target, False))
        i += 4


def make(reaction):
    r = Reactor()
    object.__setattr__(r, "a", 0)
    object.__setattr__(r, "b", reaction(r))
    relations.extend((r, "a", reaction, "b"))
    return r


for _ in range(999):
    make(lambda r: r.a + 1)
src = make(lambda r: r.a * 2)
i = 0
for _ in range(100000):
    i += 1
    src.a = i
print(len(relations), src.b)
