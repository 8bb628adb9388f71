#include <gtest/gtest.h>

#include "sdk/initquit.h"
#include "sdk/main_thread_callback.h"
#include "sdk/playback_control.h"
#include "sdk/service.h"
#include "sdk/service_factory.h"
#include "sdk/testing/fake_host.h"
#include "sdk/testing/stub_playback_control.h"

namespace {

int destroyed = 0;

class counted_callback : public main_thread_callback {
public:
    explicit counted_callback(int* runs) : runs_(runs) {}
    ~counted_callback() { ++destroyed; }
    void callback_run() override { ++*runs_; }

private:
    int* runs_;
};

TEST(ServicePtr, HeapServiceLivesWhileReferenced) {
    destroyed = 0;
    int runs = 0;
    {
        service_ptr_t<counted_callback> a = service_new_t<counted_callback>(&runs);
        service_ptr_t<main_thread_callback> b = a;  // converts to the interface
        {
            service_ptr_t<main_thread_callback> c = b;
            service_ptr_t<main_thread_callback> moved = std::move(c);
            EXPECT_TRUE(c.is_empty());
            moved->callback_run();
        }
        a.release();
        EXPECT_EQ(destroyed, 0);
        b->callback_run();
        service_ptr_t<main_thread_callback>& alias = b;
        b = alias;  // self-assignment keeps the object
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(runs, 2);
}

class my_initquit : public initquit {
public:
    void on_init() override { ++inits; }
    void on_quit() override {}
    int inits = 0;
};

TEST(ServicePtr, QueryAnswersOnlyTheImplementedInterface) {
    int runs = 0;
    service_ptr_t<main_thread_callback> cb = service_new_t<counted_callback>(&runs);
    service_ptr base = cb;

    service_ptr_t<main_thread_callback> same;
    EXPECT_TRUE(base.query(same));
    EXPECT_EQ(same.get_ptr(), cb.get_ptr());

    service_impl_single_t<my_initquit> hook;
    service_ptr_t<initquit> other = &hook;  // not empty: a failed query empties it
    EXPECT_FALSE(base.query(other));
    EXPECT_TRUE(other.is_empty());

    service_ptr_t<initquit> from_empty;
    EXPECT_FALSE(service_ptr().query(from_empty));
}

class my_other_initquit : public initquit {
public:
    void on_init() override {}
    void on_quit() override {}
};

TEST(ServiceFactory, FactoriesLinkInConstructionOrderAndUnlink) {
    service_factory_base* before = service_factory_list();
    EXPECT_EQ(before, nullptr);
    {
        service_factory_single_t<my_initquit> first;
        {
            service_factory_t<my_other_initquit> second;
            ASSERT_EQ(service_factory_list(), &first);
            EXPECT_EQ(first.get_next(), &second);
            EXPECT_EQ(second.get_next(), nullptr);
            EXPECT_TRUE(second.get_class_guid() == initquit::class_guid);
        }
        EXPECT_EQ(first.get_next(), nullptr);

        service_ptr made;
        first.instance_create(made);
        service_ptr_t<initquit> hook;
        ASSERT_TRUE(made.query(hook));
        hook->on_init();
        EXPECT_EQ(first.get_static_instance().inits, 1);
        // A single instance ignores reference counting.
        EXPECT_EQ(hook->service_add_ref(), 1);
        EXPECT_EQ(hook->service_release(), 1);
    }
    EXPECT_EQ(service_factory_list(), nullptr);
}

TEST(ServiceLookup, FindsThePlayersServiceAndReleasesIt) {
    fake_host host;
    stub_playback_control player;
    host.set_service(&player);
    {
        service_ptr_t<playback_control> pc = standard_api_create_t<playback_control>();
        pc->stop();
        EXPECT_EQ(player.refs, 1);
    }
    EXPECT_EQ(player.refs, 0);
    EXPECT_EQ(player.stops, 1);
}

TEST(ServiceLookup, RaisesServiceNotFound) {
    stub_playback_control player;
    auto expect_not_found = [](const char* why) {
        SCOPED_TRACE(why);
        try {
            standard_api_create_t<playback_control>();
            ADD_FAILURE() << "no exception";
        } catch (const exception_service_not_found& e) {
            EXPECT_TRUE(e.class_guid() == playback_control::class_guid);
            EXPECT_STREQ(e.what(), "Service not found");
        }
    };
    expect_not_found("no player attached");
    {
        fake_host host;
        expect_not_found("player has no such service");
        host.set_service(&player);
        host.client().services_init(false);
        expect_not_found("services not allowed yet");
        host.client().services_init(true);
        player.answers_query = false;
        expect_not_found("the object found does not implement the interface");
        player.answers_query = true;
        EXPECT_NO_THROW(standard_api_create_t<playback_control>());
    }
    expect_not_found("player detached again");
    EXPECT_EQ(player.refs, 0);
}

}  // namespace
