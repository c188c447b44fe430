// Built only by the layer test, which expects this module not to link: every
// symbol of a module must resolve against what it links, so a module cannot
// call its host's code by declaring it by hand.
namespace sim {
class World {
public:
    void boot();
};
} // namespace sim

void moduleBootsTheSimulator(sim::World& world)
{
    world.boot();
}
